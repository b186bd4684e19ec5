// The trace's float text is byte for byte what an output stream prints for a float.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>

#include "base/trace.h"

namespace qm {
namespace {

std::string viaStream(float v) {
    std::ostringstream s;
    s << v;
    return s.str();
}

std::string viaTrace(float v) {
    std::string s;
    appendTraceFloat(s, v);
    return s;
}

TEST(TraceFloat, MatchesTheStreamOnChosenValues) {
    const float inf = std::numeric_limits<float>::infinity();
    for (float v :
         {0.0f,          -0.0f,           1.0f,      -1.0f,       0.5f,     0.1f,          -0.333333f,
          123456.0f,     1234567.0f,      999999.5f, 0.0001f,     0.00001f, 1e-7f,         -2.5e-12f,
          3.4028235e38f, 1.17549435e-38f, 1.4e-45f,  inf,         -inf,     std::nanf(""), -std::nanf(""),
          0.99999994f,   100000.0f,       1e15f,     -7.0f / 3.0f})
        EXPECT_EQ(viaTrace(v), viaStream(v)) << "bits " << std::hex << [&] {
            uint32_t b;
            std::memcpy(&b, &v, 4);
            return b;
        }();
}

TEST(TraceFloat, MatchesTheStreamOnAMillionRandomBitPatternsAndUnitComponents) {
    std::mt19937 random(12345);
    for (int i = 0; i < 500000; ++i) {
        uint32_t bits = random();
        float v;
        std::memcpy(&v, &bits, 4);
        ASSERT_EQ(viaTrace(v), viaStream(v)) << "bits " << std::hex << bits;
    }
    // Components of unit vectors, which is what the knot actually prints.
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    for (int i = 0; i < 500000; ++i) {
        const float v = unit(random);
        ASSERT_EQ(viaTrace(v), viaStream(v));
    }
}

}  // namespace
}  // namespace qm
