// trace_capture.h -- redirects a run's trace into a temporary file for the lifetime of the object.
#pragma once

#include <cstdio>
#include <string>

namespace qm {
class Trace;
}

namespace qm::test {

class TraceCapture {
public:
    explicit TraceCapture(Trace& trace);
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    // Everything traced so far.
    std::string text() const;

private:
    Trace& trace_;
    std::FILE* file_;
};

}  // namespace qm::test
