// demo_files.cpp -- noting a start's files and bytes, and falling back on the last good ones.
#include "live/demo_files.h"

#include <algorithm>

namespace qm::live {

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

bool DemoFiles::read(std::string_view scriptPath, std::string& out) {
    const std::string path = resolvePath(scriptPath);
    if (recording_ && std::find(files_.begin(), files_.end(), path) == files_.end()) files_.push_back(path);
    bool found = false;
    if (const auto kept = good_.find(path); held_ && kept != good_.end()) {
        out = kept->second;
        found = true;
    } else {
        found = readWholeFile(path, out);
    }
    if (recording_ && found) read_[path] = out;
    return found;
}

}  // namespace qm::live
