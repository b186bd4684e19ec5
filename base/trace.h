// trace.h -- the trace on standard output: globals lines, "load" lines, torus knot vectors.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace qm {

// Where a run writes its trace. Standard output unless a tool or a test gives
// another file; a tool may turn it off altogether. Fast-forward steps write
// nothing (suspended). Writers that build text for the trace skip it when off.
class Trace {
public:
    std::FILE* file() const { return file_ ? file_ : stdout; }
    // Null: standard output.
    void setFile(std::FILE* file) { file_ = file; }
    bool enabled() const { return on_ && !suspended_; }
    void setEnabled(bool on) { on_ = on; }
    void setSuspended(bool suspended) { suspended_ = suspended; }

    // Writes bytes as they are (nothing while the trace is off).
    void write(std::string_view text) const;
    // Writes the text and a line end.
    void line(std::string_view text) const;
    void flush() const;

private:
    std::FILE* file_ = nullptr;
    bool on_ = true;
    bool suspended_ = false;
};

// Appends a float as an output stream prints it by default (`%g`, six significant
// digits: "0.5", "-0", "1e-07", "inf", "nan"), without the stream's cost.
void appendTraceFloat(std::string& out, float value);

}  // namespace qm
