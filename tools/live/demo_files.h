// demo_files.h -- the bytes a demo reads in the live tool: a snapshot of its files, taken only once checked.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/paths.h"

namespace qm::live {

// One file as a run reads it: the path it has on disk, and its bytes, or none when
// there was no file to read (missing, unreadable, not a regular file).
struct FileBytes {
    std::string onDisk;
    bool present = false;
    std::string bytes;
};
// Files by their path as the scripts write it (with '/' for '\').
using Snapshot = std::map<std::string, FileBytes>;

// The key of a script path in a snapshot.
std::string snapshotKey(std::string_view scriptPath);

// A snapshot as bytes, to hand from the checker's process to the tool's, and back.
std::string encodeSnapshot(const Snapshot& files);
bool decodeSnapshot(std::string_view bytes, Snapshot& files);

// The files on disk, each read noted with its bytes: what the checker reads is what
// the demo may read once the check is clean.
class RecordingDisk : public FileSource {
public:
    bool read(std::string_view scriptPath, std::string& out) override;
    const Snapshot& files() const { return files_; }

private:
    Snapshot files_;
};

// Where the live tool's runs of the demo read their files: a snapshot of the last good
// bytes, never the disk behind it. A checked save replaces files in the snapshot
// (take); a file the snapshot does not hold yet is read from the disk, and kept when
// a start reads it (it is then watched). "tmpscene.qms", which F2 reads when the
// author presses it, and the files only it names are read from the disk each time.
// Without a checker every read is of the disk. It also notes the files of each start,
// which are the ones to watch.
class DemoFiles : public FileSource {
public:
    // Notes the files of the start that follows, forgetting those before.
    void beginStart();
    void endStart() { recording_ = false; }
    // The files of the last start, as on disk, in the order first read, each once.
    const std::vector<std::string>& files() const { return files_; }

    // Every read goes to the disk (no checker: saves are taken unchecked).
    void readDisk(bool direct) { direct_ = direct; }
    // Checked files: from now on the demo reads these bytes.
    void take(const Snapshot& checked);
    // The bytes the demo reads now of a file (null: not in the snapshot).
    const FileBytes* find(std::string_view scriptPath) const;

    bool read(std::string_view scriptPath, std::string& out) override;

private:
    bool recording_ = false;
    bool direct_ = false;
    std::vector<std::string> files_;
    Snapshot good_;
};

// A script saved as a half-written file: empty, or with NUL bytes (binary).
bool looksHalfWritten(const FileBytes& file);

}  // namespace qm::live
