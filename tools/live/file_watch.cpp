// file_watch.cpp -- inotify on the folders of the watched files, and the gathering of one save's events.
#include "live/file_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace qm::live {

namespace {

namespace fs = std::filesystem;

// Every way a file's contents can come to be different: written and closed, renamed
// onto, created, deleted or renamed away.
constexpr uint32_t kEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_MOVED_FROM;

bool isThere(const std::string& file) {
    std::error_code error;
    return fs::exists(file, error);
}

}  // namespace

FileWatch::FileWatch() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FileWatch::~FileWatch() {
    if (fd_ >= 0) ::close(fd_);
}

void FileWatch::watch(const std::vector<std::string>& files) {
    if (fd_ < 0) return;
    std::map<std::string, std::map<std::string, std::string>> names;
    for (const std::string& file : files) {
        std::error_code error;
        const fs::path absolute = fs::absolute(file, error).lexically_normal();
        if (error || !absolute.has_filename()) continue;
        const fs::path folder = fs::weakly_canonical(absolute.parent_path(), error);
        if (error || !fs::is_directory(folder, error))
            continue;  // a folder that is not there cannot be watched
        names[folder.string()][absolute.filename().string()] = file;
    }
    // Folders no longer needed lose their watch; new ones get one.
    for (auto it = folders_.begin(); it != folders_.end();) {
        if (names.count(it->second)) {
            ++it;
            continue;
        }
        ::inotify_rm_watch(fd_, it->first);
        it = folders_.erase(it);
    }
    for (auto it = names.begin(); it != names.end();) {
        bool watched = false;
        for (const auto& [wd, folder] : folders_) watched = watched || folder == it->first;
        if (!watched) {
            const int wd = ::inotify_add_watch(fd_, it->first.c_str(), kEvents | IN_ONLYDIR);
            if (wd < 0) {
                it = names.erase(it);
                continue;
            }
            folders_[wd] = it->first;
        }
        ++it;
    }
    names_ = std::move(names);
    for (auto it = pending_.begin(); it != pending_.end();) {
        bool still = false;
        for (const auto& [folder, inFolder] : names_)
            for (const auto& [name, given] : inFolder) still = still || given == it->first;
        it = still ? std::next(it) : pending_.erase(it);
    }
}

void FileWatch::readEvents(double nowSeconds) {
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got <= 0) return;  // EAGAIN: nothing more for now
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const char* name = buffer + at + sizeof(inotify_event);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
            if (event.mask & IN_Q_OVERFLOW) {  // events were lost: any file may have been saved
                for (const auto& [folderName, inFolder] : names_)
                    for (const auto& [fileName, given] : inFolder)
                        pending_.try_emplace(given, Pending{nowSeconds, nowSeconds}).first->second.last =
                            nowSeconds;
                lastEvent_ = nowSeconds;
                continue;
            }
            const auto folder = folders_.find(event.wd);
            if (folder == folders_.end()) continue;
            if (event.mask & IN_IGNORED) {  // the folder itself went away
                folders_.erase(folder);
                continue;
            }
            if (event.len == 0) continue;
            const auto inFolder = names_.find(folder->second);
            if (inFolder == names_.end()) continue;
            const auto file = inFolder->second.find(std::string(name, ::strnlen(name, event.len)));
            if (file == inFolder->second.end()) continue;
            auto [it, isNew] = pending_.try_emplace(file->second, Pending{nowSeconds, nowSeconds});
            it->second.last = nowSeconds;
            lastEvent_ = nowSeconds;
        }
    }
}

bool FileWatch::saving(double nowSeconds) {
    if (fd_ < 0) return false;
    readEvents(nowSeconds);
    return !pending_.empty();
}

FileWatch::Changes FileWatch::poll(double nowSeconds) {
    Changes changed;
    if (fd_ < 0) return changed;
    readEvents(nowSeconds);
    if (pending_.empty() || nowSeconds - lastEvent_ < kSettleSeconds) return changed;
    for (auto it = pending_.begin(); it != pending_.end();) {
        // Deleted and not yet written again: most likely an editor between the two.
        if (!isThere(it->first) && nowSeconds - it->second.last < kGoneSeconds) {
            ++it;
            continue;
        }
        changed.since = changed.files.empty() ? it->second.first : std::min(changed.since, it->second.first);
        changed.files.push_back(it->first);
        it = pending_.erase(it);
    }
    return changed;
}

}  // namespace qm::live
