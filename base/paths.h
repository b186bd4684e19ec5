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

// Where a run of the demo reads its files from: the disk, or, for a tool that replays a
// demo (the live tool), the bytes it has checked. Every reader of the demo's files
// (scripts, pictures, curves, models, the song) reads through the run's source.
class FileSource {
public:
    virtual ~FileSource() = default;
    // The whole file that a script path names, into `out`; false when there is no
    // file to read (or it cannot be read).
    virtual bool read(std::string_view scriptPath, std::string& out) = 0;
};

// The files on disk, as openFile finds them.
class DiskFiles final : public FileSource {
public:
    bool read(std::string_view scriptPath, std::string& out) override {
        return readWholeFile(scriptPath, out);
    }
};

}  // namespace qm
