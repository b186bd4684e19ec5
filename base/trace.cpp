// trace.cpp -- the trace sink.
#include "base/trace.h"

#include <charconv>

#include "base/fast_forward.h"

namespace qm {

namespace {
std::FILE* sink = nullptr;
bool enabled = true;
}  // namespace

std::FILE* traceFile() {
    return sink ? sink : stdout;
}
void setTraceFile(std::FILE* file) {
    sink = file;
}

bool traceEnabled() {
    return enabled && !fastForwarding;
}
void setTraceEnabled(bool on) {
    enabled = on;
}

void traceWrite(std::string_view text) {
    if (traceEnabled()) std::fwrite(text.data(), 1, text.size(), traceFile());
}

void traceLine(std::string_view text) {
    if (!traceEnabled()) return;
    traceWrite(text);
    std::fputc('\n', traceFile());
}

void traceFlush() {
    if (traceEnabled()) std::fflush(traceFile());
}

void appendTraceFloat(std::string& out, float value) {
    char buffer[32];
    // General format with precision 6 is exactly printf's %g of the value, which is
    // what a stream prints for a float by default.
#if defined(__cpp_lib_to_chars)
    const std::to_chars_result r =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    out.append(buffer, r.ptr);
#else
    // A C++ library without floating-point to_chars (the web build's): printf itself.
    const int length = std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(value));
    out.append(buffer, static_cast<size_t>(length));
#endif
}

}  // namespace qm
