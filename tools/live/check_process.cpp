// check_process.cpp -- forking the checker, and the requests and results between the two processes.
#include "live/check_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <sstream>

#include "check/checker.h"
#include "check/sync_check.h"

namespace qm::live {

namespace {

// A result on the pipe: the status, the text's length and the files' length as 8
// bytes each (the machine's order: both ends are this program), then the text and
// the files read.
constexpr size_t kHeader = 24;
constexpr int kPipeBytes = 1 << 20;

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// The child: one check per request byte, until the parent closes its end.
[[noreturn]] void serve(int requests, int results) {
    char request;
    check::SongCache songs;  // a save of a script does not decode the song again
    for (;;) {
        const ssize_t n = ::read(requests, &request, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        std::ostringstream ignored, diagnostics;
        RecordingDisk files;
        check::CheckOptions options;
        options.songs = &songs;
        options.files = &files;
        const int status = check::runCheck(options, ignored, diagnostics);
        const std::string text = diagnostics.str();
        const std::string read = encodeSnapshot(files.files());
        char header[kHeader];
        const uint64_t fields[3] = {static_cast<uint64_t>(status), text.size(), read.size()};
        std::memcpy(header, fields, kHeader);
        if (!writeAll(results, header, kHeader) || !writeAll(results, text.data(), text.size()) ||
            !writeAll(results, read.data(), read.size()))
            break;
    }
    // Nothing of the parent's (its output buffers, its objects) is the child's to finish.
    ::_exit(0);
}

double steadySeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

CheckProcess::~CheckProcess() {
    stop();
}

bool CheckProcess::start() {
    if (running()) return true;
    int requests[2], results[2];
    if (::pipe2(requests, O_CLOEXEC) != 0) return false;
    if (::pipe2(results, O_CLOEXEC) != 0) {
        ::close(requests[0]);
        ::close(requests[1]);
        return false;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(requests[1]);
        ::close(results[0]);
        serve(requests[0], results[1]);
    }
    ::close(requests[0]);
    ::close(results[1]);
    if (pid < 0) {
        ::close(requests[1]);
        ::close(results[0]);
        return false;
    }
    pid_ = pid;
    toChild_ = requests[1];
    fromChild_ = results[0];
    ::fcntl(fromChild_, F_SETFL, ::fcntl(fromChild_, F_GETFL) | O_NONBLOCK);
    // A result carries the bytes of every file checked (a few hundred kilobytes for the
    // bundled demo): a wide pipe hands it over within a frame or two.
    ::fcntl(fromChild_, F_SETPIPE_SZ, kPipeBytes);
    // A child that has died must not end this process with SIGPIPE on the next request.
    ::signal(SIGPIPE, SIG_IGN);
    return true;
}

void CheckProcess::stop() {
    if (!running()) return;
    ::close(toChild_);  // the child ends at the end of its requests
    ::close(fromChild_);
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == 0) {
        // A check in progress is not waited for.
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    toChild_ = fromChild_ = -1;
}

bool CheckProcess::request() {
    if (!running() || busy_) return false;
    const char request = 'c';
    if (!writeAll(toChild_, &request, 1)) {
        stop();
        return false;
    }
    busy_ = true;
    received_.clear();
    return true;
}

std::optional<CheckProcess::Result> CheckProcess::poll() {
    if (!busy_) return std::nullopt;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fromChild_, buffer, sizeof buffer);
        if (n > 0) {
            received_.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) {  // the child is gone
            busy_ = false;
            stop();
            return std::nullopt;
        }
        break;  // EAGAIN: the rest is still to come
    }
    if (received_.size() < kHeader) return std::nullopt;
    uint64_t fields[3];
    std::memcpy(fields, received_.data(), kHeader);
    if (received_.size() < kHeader + fields[1] + fields[2]) return std::nullopt;
    Result result{static_cast<int>(fields[0]), received_.substr(kHeader, fields[1]), {}};
    const bool whole =
        decodeSnapshot(std::string_view(received_).substr(kHeader + fields[1], fields[2]), result.files);
    received_.clear();
    busy_ = false;
    if (!whole) {  // not what this program writes: the child is not to be trusted
        stop();
        return std::nullopt;
    }
    return result;
}

std::optional<CheckProcess::Result> CheckProcess::wait(double seconds) {
    const double until = steadySeconds() + seconds;
    while (busy_) {
        if (std::optional<Result> result = poll()) return result;
        const double left = until - steadySeconds();
        if (left <= 0 || !running()) return std::nullopt;
        pollfd p{fromChild_, POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(left * 1000) + 1);
    }
    return std::nullopt;
}

}  // namespace qm::live
