// trace.h -- the trace on standard output: globals lines, "load" lines, torus knot vectors.
#pragma once

#include <cstdio>
#include <string_view>

namespace qm {

// Where the trace goes; standard output unless a tool or a test redirects it.
std::FILE* traceFile();
void setTraceFile(std::FILE* file);

// Writes bytes to the trace as they are.
void traceWrite(std::string_view text);
// Writes the text and a line end.
void traceLine(std::string_view text);
void traceFlush();

}  // namespace qm
