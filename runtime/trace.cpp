// trace.cpp -- the trace sink.
#include "runtime/trace.h"

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

}  // namespace qm
