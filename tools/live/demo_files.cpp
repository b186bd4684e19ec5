// demo_files.cpp -- the snapshot of checked files the demo reads, its records on the checker's side, and its
// bytes on the pipe between them.
#include "live/demo_files.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace qm::live {

namespace {

void putNumber(std::string& out, uint64_t n) {
    char bytes[sizeof n];
    std::memcpy(bytes, &n, sizeof n);  // the machine's order: both ends are this program
    out.append(bytes, sizeof n);
}

void putText(std::string& out, std::string_view text) {
    putNumber(out, text.size());
    out.append(text);
}

bool takeNumber(std::string_view& in, uint64_t& n) {
    if (in.size() < sizeof n) return false;
    std::memcpy(&n, in.data(), sizeof n);
    in.remove_prefix(sizeof n);
    return true;
}

bool takeText(std::string_view& in, std::string& text) {
    uint64_t size = 0;
    if (!takeNumber(in, size) || in.size() < size) return false;
    text.assign(in.substr(0, size));
    in.remove_prefix(size);
    return true;
}

void remember(std::vector<std::string>& files, const std::string& file) {
    if (std::find(files.begin(), files.end(), file) == files.end()) files.push_back(file);
}

}  // namespace

std::string snapshotKey(std::string_view scriptPath) {
    std::string key(scriptPath);
    std::replace(key.begin(), key.end(), '\\', '/');
    return key;
}

std::string encodeSnapshot(const Snapshot& files) {
    std::string out;
    putNumber(out, files.size());
    for (const auto& [key, file] : files) {
        putText(out, key);
        putText(out, file.onDisk);
        putNumber(out, file.present ? 1 : 0);
        putText(out, file.bytes);
    }
    return out;
}

bool decodeSnapshot(std::string_view in, Snapshot& files) {
    files.clear();
    uint64_t count = 0;
    if (!takeNumber(in, count)) return false;
    for (uint64_t i = 0; i < count; ++i) {
        std::string key;
        FileBytes file;
        uint64_t present = 0;
        if (!takeText(in, key) || !takeText(in, file.onDisk) || !takeNumber(in, present) ||
            !takeText(in, file.bytes))
            return false;
        file.present = present != 0;
        files[key] = std::move(file);
    }
    return in.empty();
}

bool RecordingDisk::read(std::string_view scriptPath, std::string& out) {
    FileBytes file{resolvePath(scriptPath), false, {}};
    file.present = readWholeFile(scriptPath, file.bytes);
    if (!file.present) file.bytes.clear();
    out = file.bytes;
    const bool present = file.present;
    files_[snapshotKey(scriptPath)] = std::move(file);
    return present;
}

void DemoFiles::beginStart() {
    recording_ = true;
    files_.clear();
}

void DemoFiles::take(const Snapshot& checked) {
    for (const auto& [key, file] : checked) good_[key] = file;
}

const FileBytes* DemoFiles::find(std::string_view scriptPath) const {
    const auto it = good_.find(snapshotKey(scriptPath));
    return it == good_.end() ? nullptr : &it->second;
}

bool DemoFiles::read(std::string_view scriptPath, std::string& out) {
    const std::string key = snapshotKey(scriptPath);
    // F2 reads this file when the author asks for it, as it is then.
    if (key == "tmpscene.qms") return readWholeFile(scriptPath, out);
    auto it = good_.find(key);
    if (direct_ || it == good_.end()) {
        FileBytes file{resolvePath(scriptPath), false, {}};
        file.present = readWholeFile(scriptPath, file.bytes);
        if (!file.present) file.bytes.clear();
        // Outside a start (a file only the F2 scene names) nothing watches or checks
        // the file, so it is read as it is each time rather than kept.
        if (!recording_) {
            out = std::move(file.bytes);
            return file.present;
        }
        it = good_.insert_or_assign(key, std::move(file)).first;
    }
    if (recording_) remember(files_, it->second.onDisk);
    out = it->second.bytes;
    return it->second.present;
}

bool looksHalfWritten(const FileBytes& file) {
    return file.present && (file.bytes.empty() || file.bytes.find('\0') != std::string::npos);
}

}  // namespace qm::live
