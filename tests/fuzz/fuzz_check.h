// fuzz_check.h -- the one way a fuzz target reports a broken promise of a reader: a crash libFuzzer keeps.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace qm::fuzz {

// The input being replayed, when a test replays files; named in the report.
inline const char* replayedInput = nullptr;

// Aborts with the broken promise on standard error, so that libFuzzer saves the
// input and a replaying test fails on it.
inline void require(bool promise, const char* what) {
    if (promise) return;
    std::fprintf(stderr, "fuzz target: broken promise: %s%s%s\n", what, replayedInput ? " -- input " : "",
                 replayedInput ? replayedInput : "");
    std::abort();
}

}  // namespace qm::fuzz
