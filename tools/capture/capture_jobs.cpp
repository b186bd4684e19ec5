// capture_jobs.cpp -- the --jobs parent: the sound pass, the child processes, the joining of their files.
#include "capture/capture_jobs.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "base/executable.h"
#include "base/paths.h"
#include "capture/capture_run.h"
#include "capture/progress.h"
#include "capture/video_encoder.h"

extern char** environ;

namespace qm::capture {

namespace {

namespace fs = std::filesystem;

// The descriptor on which a child reports its progress.
constexpr int kProgressFd = 3;

std::string number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);  // read back to the same double
    return text;
}

// A file of ours (in the scratch folder), whole.
bool readFile(const std::string& path, std::string& out) {
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    out.clear();
    char buffer[1 << 16];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) out.append(buffer, n);
    return !std::ferror(file.get());
}

// A folder for the ranges' traces and videos, removed with everything in it.
class ScratchFolder {
public:
    bool make(const fs::path& beside, std::string& error) {
        std::string pattern = (beside / ".quillmoor-capture-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            error = "cannot make a scratch folder in " + beside.string() + ": " + std::strerror(errno);
            return false;
        }
        path_ = pattern;
        return true;
    }
    ~ScratchFolder() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

struct Child {
    FrameRange range;
    pid_t pid = -1;
    int progress = -1;    // read end of the pipe the child reports on
    std::string pending;  // a report line not yet complete
    long frames = 0;      // the child's last report: frames played
    int status = -1;
    bool stopped = false;  // ended by the parent because another range failed
    std::string errorFile;
    std::string traceFile;
    std::string videoFile;

    long done() const { return std::clamp(frames - range.first, 0L, range.end - range.first); }
};

// The command line of the child that renders `c.range`.
std::vector<std::string> childArguments(const CaptureOptions& o, const std::string& self, const Child& c) {
    std::vector<std::string> args = {self,
                                     "--fps",
                                     number(o.fps),
                                     "--from",
                                     number(static_cast<double>(c.range.first) / o.fps),
                                     "--to",
                                     number(static_cast<double>(c.range.end) / o.fps),
                                     "--every",
                                     std::to_string(o.every),
                                     "--size",
                                     std::to_string(o.width) + "x" + std::to_string(o.height),
                                     "--supersample",
                                     std::to_string(o.supersample),
                                     "--threads",
                                     std::to_string(o.threads),
                                     "--no-sound",
                                     "--progress-fd",
                                     std::to_string(kProgressFd)};
    if (!c.traceFile.empty()) args.insert(args.end(), {"--trace", c.traceFile});
    for (const std::string& keys : o.keyLists) args.insert(args.end(), {"--keys", keys});
    if (o.dryRun) args.push_back("--dry-run");
    if (!o.outDir.empty()) args.insert(args.end(), {"--out", o.outDir});
    if (!c.videoFile.empty()) args.insert(args.end(), {"--video", c.videoFile});
    return args;
}

// Starts a program with its standard error into `errorFile` and, when `progressFd`
// is given, that descriptor as the child's kProgressFd.
pid_t spawn(const std::string& program, std::vector<std::string> args, const std::string& errorFile,
            int progressFd, std::string& error) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    if (progressFd >= 0) posix_spawn_file_actions_adddup2(&actions, progressFd, kProgressFd);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int result = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        error = "cannot start " + program + ": " + std::strerror(result);
        return -1;
    }
    return pid;
}

int waitFor(pid_t pid) {
    int status = 0;
    pid_t waited;
    do {
        waited = ::waitpid(pid, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

bool startChildren(const CaptureOptions& o, const ScratchFolder& scratch, std::vector<Child>& children,
                   std::string& error) {
    const std::string self = executablePath();
    if (self.empty()) {
        error = "cannot find this program's own path";
        return false;
    }
    for (size_t i = 0; i < children.size(); ++i) {
        Child& c = children[i];
        const std::string stem = "range-" + std::to_string(i);
        c.errorFile = scratch.file(stem + ".err");
        if (!o.traceFile.empty()) c.traceFile = scratch.file(stem + ".trace");
        if (!o.videoFile.empty()) c.videoFile = scratch.file(stem + ".mp4");
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            error = std::string("cannot make a pipe: ") + std::strerror(errno);
            return false;
        }
        c.pid = spawn(self, childArguments(o, self, c), c.errorFile, ends[1], error);
        ::close(ends[1]);
        c.progress = ends[0];
        if (c.pid < 0) return false;
    }
    return true;
}

// Reads what a child has reported; false once its pipe has closed.
bool readProgress(Child& c) {
    char buffer[256];
    const ssize_t n = ::read(c.progress, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) return true;
    if (n <= 0) return false;
    c.pending.append(buffer, static_cast<size_t>(n));
    size_t line;
    while ((line = c.pending.find('\n')) != std::string::npos) {
        c.frames = std::strtol(c.pending.c_str(), nullptr, 10);
        c.pending.erase(0, line + 1);
    }
    return true;
}

// Shows the children's progress until every one has closed its pipe, then collects
// their exit statuses. A child that fails stops the others.
void watchChildren(std::vector<Child>& children, ProgressBar& progress) {
    std::vector<pollfd> fds;
    size_t open = 0;
    for (Child& c : children) {
        fds.push_back({c.pid > 0 ? c.progress : -1, POLLIN, 0});
        open += c.pid > 0;
    }
    while (open > 0) {
        if (::poll(fds.data(), fds.size(), 250) < 0 && errno != EINTR) break;
        for (size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            if (!readProgress(children[i])) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                children[i].progress = -1;
                --open;
                // A child closes its pipe when it ends; one that failed ends the rest.
                children[i].status = waitFor(children[i].pid);
                children[i].pid = -1;
                if (children[i].status != 0)
                    for (Child& other : children)
                        if (other.pid > 0 && !other.stopped) {
                            ::kill(other.pid, SIGTERM);
                            other.stopped = true;
                        }
            }
        }
        long done = 0;
        for (const Child& c : children) done += c.done();
        progress.frameRendered(done);
    }
    for (Child& c : children) {
        if (c.progress >= 0) ::close(c.progress);
        if (c.pid > 0) c.status = waitFor(c.pid);
        c.pid = -1;
    }
}

// What a failed child said, minus its summary line; its exit status otherwise.
void reportFailure(const Child& c, size_t index) {
    std::string said;
    readFile(c.errorFile, said);
    std::string lines;
    size_t pos = 0;
    while (pos < said.size()) {
        size_t end = said.find('\n', pos);
        if (end == std::string::npos) end = said.size();
        std::string line = said.substr(pos, end - pos);
        pos = end + 1;
        if (line.empty() || line.find(" frames (") != std::string::npos) continue;
        std::fprintf(stderr, "%s\n", line.c_str());
        lines += line;
    }
    if (lines.empty())
        complain("range " + std::to_string(index + 1) + " failed (exit status " + std::to_string(c.status) +
                 ")");
}

// Copies the file at `path` to `out` from byte `skip` on, after checking that its
// first `skip` bytes are `head`.
bool appendAfter(const std::string& path, const std::string& head, std::FILE* out, bool& headMatches) {
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    std::string start(head.size(), '\0');
    headMatches = std::fread(start.data(), 1, start.size(), file.get()) == start.size() && start == head;
    if (!headMatches) return false;
    char buffer[1 << 16];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        if (std::fwrite(buffer, 1, n, out) != n) return false;
    return !std::ferror(file.get());
}

// The trace of one process: the start-up lines (what the first pass wrote), then the
// frames of each range in order. Each range's trace begins with the same start-up
// lines, which are left out.
bool joinTraces(const std::string& startup, const std::vector<Child>& children, const std::string& target,
                std::string& error) {
    std::string head;
    if (!readFile(startup, head)) {
        error = "cannot read the trace of the first pass";
        return false;
    }
    FileHandle out;
    std::FILE* file = stdout;
    if (target != "-") {
        out.reset(std::fopen(target.c_str(), "wb"));
        if (!out) {
            error = "cannot write the trace file " + target;
            return false;
        }
        file = out.get();
    }
    bool ok = std::fwrite(head.data(), 1, head.size(), file) == head.size();
    for (const Child& c : children) {
        bool headMatches = true;
        ok = ok && appendAfter(c.traceFile, head, file, headMatches);
        if (!headMatches) {
            error = "the trace of a range does not begin as the demo's";
            return false;
        }
    }
    ok = std::fflush(file) == 0 && ok;
    if (out) ok = std::fclose(out.release()) == 0 && ok;
    if (!ok) error = "cannot write the trace" + (target == "-" ? std::string() : " file " + target);
    return ok;
}

// The frames a range writes.
long framesWritten(const FrameRange& range, long every) {
    return (range.end - range.first + every - 1) / every;
}

// ffmpeg's concat demuxer reads the ranges' videos one after another as one stream,
// copied as it is, and the sound is added from the WAV of the first pass. Each
// range's duration is given: the one the file reports is rounded to milliseconds,
// which would shift the frames after each join.
bool joinVideos(const std::string& ffmpeg, const CaptureOptions& o, const std::vector<Child>& children,
                const ScratchFolder& scratch, const std::string& wav, std::string& error) {
    const std::string list = scratch.file("ranges.txt");
    {
        std::string text;
        for (const Child& c : children)
            text += "file '" + fs::path(c.videoFile).filename().string() + "'\nduration " +
                    number(static_cast<double>(framesWritten(c.range, o.every) * o.every) / o.fps) + "\n";
        FileHandle file(std::fopen(list.c_str(), "wb"));
        if (!file || std::fwrite(text.data(), 1, text.size(), file.get()) != text.size() ||
            std::fclose(file.release()) != 0) {
            error = "cannot write " + list;
            return false;
        }
    }
    std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
                                     "-f",     "concat",       "-safe",     "0",     "-i",       list};
    if (!wav.empty()) args.insert(args.end(), {"-i", wav, "-map", "0:v", "-map", "1:a"});
    args.insert(args.end(), {"-c:v", "copy"});
    if (!wav.empty()) args.insert(args.end(), {"-c:a", "aac", "-b:a", "192k"});
    args.insert(args.end(), {"-movflags", "+faststart", "file:" + o.videoFile});
    const std::string errorFile = scratch.file("join.err");
    const pid_t pid = spawn(ffmpeg, args, errorFile, -1, error);
    if (pid < 0) return false;
    const int status = waitFor(pid);
    if (status != 0) {
        std::string said;
        readFile(errorFile, said);
        std::fputs(said.c_str(), stderr);
        error = "ffmpeg could not join the ranges (exit status " + std::to_string(status) + ")";
        return false;
    }
    return true;
}

}  // namespace

std::vector<FrameRange> splitFrames(long firstFrame, long endFrame, long every, int jobs) {
    std::vector<FrameRange> ranges;
    if (endFrame <= firstFrame || every < 1 || jobs < 1) return ranges;
    const long count = (endFrame - firstFrame + every - 1) / every;
    const long n = std::min<long>(jobs, count);
    for (long i = 0; i < n; ++i) {
        const long from = count * i / n;
        const long to = count * (i + 1) / n;  // the range writes frames from .. to - 1 of the count
        ranges.push_back({firstFrame + from * every, firstFrame + (to - 1) * every + 1});
    }
    return ranges;
}

int runCaptureJobs(const CaptureOptions& o) {
    const auto start = std::chrono::steady_clock::now();
    std::string ffmpeg;
    if (!findVideoEncoder(o, ffmpeg)) return 1;
    std::error_code ec;
    if (!o.outDir.empty()) fs::create_directories(o.outDir, ec);
    const fs::path beside = !o.outDir.empty()      ? fs::path(o.outDir)
                            : !o.videoFile.empty() ? fs::absolute(o.videoFile, ec).parent_path()
                                                   : fs::temp_directory_path(ec);
    ScratchFolder scratch;
    std::string error;
    if (!scratch.make(beside, error)) {
        complain(error);
        return 1;
    }

    // The first pass: every frame fast-forwarded, the sound written, the end found.
    CaptureOptions pass = o;
    pass.jobs = 1;
    pass.soundOnly = true;
    pass.dryRun = false;
    pass.videoFile.clear();
    pass.progressFd = -1;
    const bool wavWanted = o.sound && !o.dryRun;
    pass.outDir = !wavWanted ? "" : !o.outDir.empty() ? o.outDir : scratch.file("sound");
    pass.traceFile = o.traceFile.empty() ? "" : scratch.file("startup.trace");
    CaptureEnd end;
    if (const int status = runCaptureHere(pass, &end); status != 0) return status;

    std::vector<Child> children;
    for (const FrameRange& range : splitFrames(o.firstFrame, end.frames, o.every, o.jobs)) {
        children.emplace_back();
        children.back().range = range;
    }
    ProgressBar progress(o.fps, end.frames - o.firstFrame, ::isatty(STDERR_FILENO) == 1);
    if (!startChildren(o, scratch, children, error)) {
        complain(error);
        for (Child& c : children)
            if (c.pid > 0) ::kill(c.pid, SIGTERM);
    }
    watchChildren(children, progress);
    ProgressFigures figures = progress.finish();
    bool ok = error.empty();
    bool reported = false;
    for (size_t i = 0; i < children.size(); ++i)
        if (children[i].status != 0 && !children[i].stopped && ok) {
            reportFailure(children[i], i);
            reported = true;
        }
    if (!ok || reported) return 1;

    if ((!o.traceFile.empty() && !joinTraces(pass.traceFile, children, o.traceFile, error)) ||
        (!o.videoFile.empty() &&
         !joinVideos(ffmpeg, o, children, scratch, wavWanted ? pass.outDir + "/audio.wav" : "", error))) {
        complain(error);
        return 1;
    }
    long written = 0;
    for (const Child& c : children) written += framesWritten(c.range, o.every);
    figures.frames = end.frames;
    figures.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    complain(summaryLine(figures) + whatWasWritten(o, written));
    return 0;
}

}  // namespace qm::capture
