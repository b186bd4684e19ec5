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

}  // namespace qm
