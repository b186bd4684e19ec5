// file_watch.h -- notices saves of a set of files through inotify on their folders.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace qm::live {

// Editors save in several ways: writing the file in place, writing another file and
// renaming it over the first, or deleting the file and writing it again. The
// folders are watched, not the files, so each way is seen, and the events of one
// save are gathered: a file is reported once its events have been quiet for
// kSettleSeconds, and a file that is gone is waited for up to kGoneSeconds, so that a
// delete and a rewrite are one change. A change of a file's permissions counts as a
// save, and so does its folder going away (renamed, deleted, its permissions changed):
// every file in it is reported. A file whose folder is not there is watched in the
// nearest folder that is, for the creation of the missing folder.
class FileWatch {
public:
    static constexpr double kSettleSeconds = 0.1;
    static constexpr double kGoneSeconds = 1.0;

    FileWatch();
    ~FileWatch();
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

    // False when the system gives no inotify instance: nothing is ever reported.
    bool valid() const { return fd_ >= 0; }
    // Watches these files (relative to the working directory, or absolute) from now
    // on, instead of those before; a file not there yet is watched for its creation.
    // Changes already gathered for files still watched are kept.
    void watch(const std::vector<std::string>& files);
    struct Changes {
        std::vector<std::string> files;  // as they were given to watch, each once
        double since = 0;                // the time of the first event among them
    };
    // Reads the events that have come (never waits). Returns the files whose save is
    // complete at `nowSeconds` (a steady clock); none when there are none yet.
    Changes poll(double nowSeconds);

private:
    struct Name {
        std::vector<std::string> files;  // the files it is or leads to, as given
        bool folderOnTheWay = false;     // a missing folder on the way to them
    };
    void readEvents(double nowSeconds);
    void touch(const std::string& file, double nowSeconds);

    int fd_ = -1;
    std::vector<std::string> given_;
    std::map<int, std::string> folders_;                        // watch descriptor -> folder
    std::map<std::string, std::map<std::string, Name>> names_;  // folder -> name in it -> files
    struct Pending {
        double first = 0, last = 0;  // times of its first and last event
    };
    std::map<std::string, Pending> pending_;  // by file as given
    double lastEvent_ = 0;
};

}  // namespace qm::live
