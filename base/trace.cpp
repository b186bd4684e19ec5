// trace.cpp -- writing the trace.
#include "base/trace.h"

#include <charconv>

namespace qm {

void Trace::write(std::string_view text) const {
    if (enabled()) std::fwrite(text.data(), 1, text.size(), file());
}

void Trace::line(std::string_view text) const {
    if (!enabled()) return;
    std::fwrite(text.data(), 1, text.size(), file());
    std::fputc('\n', file());
}

void Trace::flush() const {
    if (enabled()) std::fflush(file());
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
