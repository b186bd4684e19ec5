// line_reader.h -- reads a script's bytes in pieces of at most N characters, the way the script readers do.
#pragma once

#include <string>
#include <string_view>

namespace qm {

// One read of a line, like fgets with a fixed buffer: up to `maxChars` characters,
// ending after the first line feed. A longer line arrives as several pieces.
struct LinePiece {
    std::string text;            // the characters up to the first NUL byte (script text is C text)
    bool metEnd = false;         // the read ran into the end of the file
    bool endsLine = false;       // the piece ends with a line feed
    bool truncatedLine = false;  // stopped at maxChars with the line still going on
};

// A script's bytes, read piece by piece. The bytes are borrowed and must outlive it.
class LineReader {
public:
    explicit LineReader(std::string_view bytes) : rest_(bytes) {}

    // Reads the next piece. A piece whose read met the end of the file is still
    // returned (its text may be non-empty) so that callers can tell what they drop.
    LinePiece next(int maxChars);

private:
    std::string_view rest_;
};

}  // namespace qm
