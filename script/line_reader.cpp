// line_reader.cpp -- the fixed-buffer line reads shared by the globals and scene script readers.
#include "script/line_reader.h"

#include <algorithm>

namespace qm {

LinePiece LineReader::next(int maxChars) {
    LinePiece piece;
    const size_t limit = std::min(rest_.size(), static_cast<size_t>(std::max(maxChars, 0)));
    size_t n = 0;
    while (n < limit && rest_[n] != '\n') ++n;
    if (n < limit) {
        piece.endsLine = true;
        ++n;  // the line feed belongs to the piece
    } else if (n == rest_.size() && n < static_cast<size_t>(std::max(maxChars, 0))) {
        piece.metEnd = true;
    }
    const std::string_view raw = rest_.substr(0, n);
    rest_.remove_prefix(n);
    // A full buffer does not look ahead, so a final piece of exactly maxChars
    // characters is not seen as meeting the end of the file.
    piece.truncatedLine = !piece.endsLine && !piece.metEnd;
    piece.text = std::string(raw.substr(0, raw.find('\0')));
    return piece;
}

}  // namespace qm
