// paths.h -- the one place where script paths become file-system paths.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace qm {

// Scripts write relative paths with backslashes ("data\fontv3-1.png") and often
// come from case-insensitive systems. Backslashes become '/'; when the path does not
// exist as written, each component is matched case-insensitively in its folder.
// When nothing matches, the mapped path is returned as it is (and fails to open).
std::string resolvePath(std::string_view scriptPath);

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens a script path (resolved as above) with fopen's mode string. For reading,
// only regular files open: a device, a pipe or a folder gives null, as a missing
// file does.
FileHandle openFile(std::string_view scriptPath, const char* mode);

// Reads a whole file; false when it cannot be opened or read.
bool readWholeFile(std::string_view scriptPath, std::string& out);

// Reads what is left of an open file into `out`; false on a read error.
bool readRest(std::FILE* file, std::string& out);

// A tool that replays a demo (the live tool) hears of every file the demo opens for
// reading, there or not, and may have it read from bytes of its own instead (the
// last good version of a file an author has just broken). The player sets none.
class FileReadHook {
public:
    virtual ~FileReadHook() = default;
    // Every open for reading, with the path as resolved; `found`: a regular file is there.
    virtual void opening(const std::string& path, bool found) = 0;
    // Bytes to read instead of the file (also when it is not there), or null for
    // the file itself. They must stay unchanged while the file handed out is open.
    // Not asked on Windows, whose C library cannot read a FILE from memory (the live
    // tool, the one user, is not built there).
    virtual const std::string* replacement(const std::string& path) = 0;
};

// Null: files are read from disk, unheard.
void setFileReadHook(FileReadHook* hook);

}  // namespace qm
