// trace_capture.cpp -- the trace written to a temporary file and read back.
#include "support/trace_capture.h"

#include "base/trace.h"

namespace qm::test {

TraceCapture::TraceCapture(Trace& trace) : trace_(trace), file_(std::tmpfile()) {
    trace_.setFile(file_);
}

TraceCapture::~TraceCapture() {
    trace_.setFile(nullptr);
    if (file_) std::fclose(file_);
}

std::string TraceCapture::text() const {
    std::string out;
    if (!file_) return out;
    std::fflush(file_);
    std::rewind(file_);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0) out.append(buffer, n);
    std::fseek(file_, 0, SEEK_END);
    return out;
}

}  // namespace qm::test
