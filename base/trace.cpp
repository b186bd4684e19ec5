// trace.cpp -- the trace sink.
#include "base/trace.h"

#include <charconv>

namespace qm {

namespace {
std::FILE* sink = nullptr;
}

std::FILE* traceFile() { return sink ? sink : stdout; }
void setTraceFile(std::FILE* file) { sink = file; }

void traceWrite(std::string_view text) { std::fwrite(text.data(), 1, text.size(), traceFile()); }

void traceLine(std::string_view text) {
    traceWrite(text);
    std::fputc('\n', traceFile());
}

void traceFlush() { std::fflush(traceFile()); }

void appendTraceFloat(std::string& out, float value) {
    char buffer[32];
    // General format with precision 6 is exactly printf's %g of the value, which is
    // what a stream prints for a float by default.
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    out.append(buffer, r.ptr);
}

}  // namespace qm
