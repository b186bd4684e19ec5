// trace.h -- the trace on standard output: globals lines, "load" lines, torus knot vectors.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace qm {

// Where the trace goes; standard output unless a tool or a test redirects it.
std::FILE* traceFile();
void setTraceFile(std::FILE* file);

// Whether trace lines are written: on unless a tool turns it off, and never during
// a fast-forward step. Writers that build text for the trace skip it when off.
bool traceEnabled();
void setTraceEnabled(bool enabled);

// Writes bytes to the trace as they are (nothing while the trace is off).
void traceWrite(std::string_view text);
// Writes the text and a line end.
void traceLine(std::string_view text);
void traceFlush();

// Appends a float as an output stream prints it by default (`%g`, six significant
// digits: "0.5", "-0", "1e-07", "inf", "nan"), without the stream's cost.
void appendTraceFloat(std::string& out, float value);

}  // namespace qm
