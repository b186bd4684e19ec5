// trace_capture.h -- redirects the trace into a temporary file for the lifetime of the object.
#pragma once

#include <cstdio>
#include <string>

namespace qm::test {

class TraceCapture {
public:
    TraceCapture();
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    // Everything traced so far.
    std::string text() const;

private:
    std::FILE* file_;
};

}  // namespace qm::test
