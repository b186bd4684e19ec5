// line_reader.cpp -- the fixed-buffer line reads shared by the globals and scene script readers.
#include "script/line_reader.h"

namespace qm {

LinePiece readLinePiece(std::FILE* file, int maxChars) {
    LinePiece piece;
    std::string raw;
    for (int n = 0; n < maxChars; ++n) {
        const int c = std::getc(file);
        if (c == EOF) {
            piece.metEnd = true;
            break;
        }
        raw.push_back(static_cast<char>(c));
        if (c == '\n') {
            piece.endsLine = true;
            break;
        }
    }
    // A full buffer does not look ahead, so a final piece of exactly maxChars
    // characters is not seen as meeting the end of the file.
    piece.truncatedLine = !piece.endsLine && !piece.metEnd;
    piece.text = raw.substr(0, raw.find('\0'));
    return piece;
}

}  // namespace qm
