// demo_files.cpp -- noting a start's files and bytes, and falling back on the last good ones.
#include "live/demo_files.h"

#include <algorithm>
#include <cstdio>

namespace qm::live {

namespace {

// Straight from disk: the hook must not be asked about its own reads.
bool readBytes(const std::string& path, std::string& out) {
    FileHandle f(std::fopen(path.c_str(), "rb"));
    return f && readRest(f.get(), out);
}

}  // namespace

void DemoFiles::beginStart() {
    recording_ = true;
    files_.clear();
    read_.clear();
}

bool DemoFiles::holdBack() {
    if (good_.empty()) return false;
    held_ = true;
    return true;
}

void DemoFiles::opening(const std::string& path, bool found) {
    if (!recording_) return;
    if (std::find(files_.begin(), files_.end(), path) == files_.end()) files_.push_back(path);
    if (const std::string* kept = replacement(path)) {
        read_[path] = *kept;
        return;
    }
    std::string bytes;
    if (found && readBytes(path, bytes)) read_[path] = std::move(bytes);
}

const std::string* DemoFiles::replacement(const std::string& path) {
    if (!held_) return nullptr;
    const auto it = good_.find(path);
    return it == good_.end() ? nullptr : &it->second;
}

}  // namespace qm::live
