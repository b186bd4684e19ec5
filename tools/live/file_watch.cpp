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

// Every way a file's contents can come to be different or out of reach: written and
// closed, renamed onto, created, deleted, renamed away, its permissions changed; and
// the folder itself renamed or deleted.
constexpr uint32_t kEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                             IN_ATTRIB | IN_MOVE_SELF | IN_DELETE_SELF;

bool isThere(const std::string& file) {
    std::error_code error;
    return fs::exists(file, error);
}

bool isFolder(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

}  // namespace

FileWatch::FileWatch() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FileWatch::~FileWatch() {
    if (fd_ >= 0) ::close(fd_);
}

void FileWatch::watch(const std::vector<std::string>& files) {
    if (fd_ < 0) return;
    given_ = files;
    std::map<std::string, std::map<std::string, Name>> names;
    for (const std::string& file : files) {
        std::error_code error;
        const fs::path absolute = fs::absolute(file, error).lexically_normal();
        if (error || !absolute.has_filename()) continue;
        // The nearest folder that is there, and the name in it on the way to the file.
        fs::path folder = absolute.parent_path();
        fs::path name = absolute.filename();
        bool onTheWay = false;
        while (!isFolder(folder) && folder.has_relative_path()) {
            name = folder.filename();
            folder = folder.parent_path();
            onTheWay = true;
        }
        if (!isFolder(folder)) continue;
        folder = fs::weakly_canonical(folder, error);
        if (error) continue;
        Name& entry = names[folder.string()][name.string()];
        entry.files.push_back(file);
        entry.folderOnTheWay = entry.folderOnTheWay || onTheWay;
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
    for (auto it = pending_.begin(); it != pending_.end();)
        it = std::find(given_.begin(), given_.end(), it->first) != given_.end() ? std::next(it)
                                                                                : pending_.erase(it);
}

void FileWatch::touch(const std::string& file, double nowSeconds) {
    pending_.try_emplace(file, Pending{nowSeconds, nowSeconds}).first->second.last = nowSeconds;
    lastEvent_ = nowSeconds;
}

void FileWatch::readEvents(double nowSeconds) {
    alignas(inotify_event) char buffer[16384];
    bool rewatch = false;  // a folder came or went: the watches are made again
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got <= 0) break;  // EAGAIN: nothing more for now
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const char* name = buffer + at + sizeof(inotify_event);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
            if (event.mask & IN_Q_OVERFLOW) {  // events were lost: any file may have been saved
                for (const std::string& file : given_) touch(file, nowSeconds);
                rewatch = true;
                continue;
            }
            const auto folder = folders_.find(event.wd);
            if (folder == folders_.end()) continue;
            const auto inFolder = names_.find(folder->second);
            if (event.len == 0) {
                // The folder itself: gone, renamed or its permissions changed; every file in it may be.
                if (event.mask & (IN_IGNORED | IN_MOVE_SELF | IN_DELETE_SELF | IN_ATTRIB)) {
                    if (inFolder != names_.end())
                        for (const auto& [entryName, entry] : inFolder->second)
                            for (const std::string& file : entry.files) touch(file, nowSeconds);
                    if (event.mask & IN_IGNORED) folders_.erase(folder);
                    rewatch = rewatch || !(event.mask & IN_ATTRIB);
                }
                continue;
            }
            if (inFolder == names_.end()) continue;
            const auto entry = inFolder->second.find(std::string(name, ::strnlen(name, event.len)));
            if (entry == inFolder->second.end()) continue;
            for (const std::string& file : entry->second.files) touch(file, nowSeconds);
            // A folder on the way came (or went): watch inside it from now on.
            if (entry->second.folderOnTheWay || (event.mask & IN_ISDIR)) rewatch = true;
        }
    }
    if (rewatch) watch(std::vector<std::string>(given_));
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
