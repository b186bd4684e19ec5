// Curve files and evaluation: segment split, parameters outside 0..1, short files and bad counts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/paths.h"
#include "scene/curve.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

struct Key {
    Vec3 point, inHandle, outHandle;
};

// A curve file image, written field by field in little-endian order.
std::string curveFile(int32_t segmentCount, const std::vector<Key>& keys) {
    std::string bytes;
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(v >> (8 * i)));
    };
    auto putFloat = [&](float f) {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        put32(v);
    };
    auto putVec = [&](const Vec3& v) {
        putFloat(v.x);
        putFloat(v.y);
        putFloat(v.z);
    };
    put32(static_cast<uint32_t>(segmentCount));
    for (const Key& k : keys) {
        putVec(k.point);
        putVec(k.inHandle);
        putVec(k.outHandle);
        put32(0xDEADBEEF);  // reserved, never read
    }
    return bytes;
}

Curve parsed(const std::string& bytes, Curve::LoadResult expected = Curve::LoadResult::Loaded) {
    Curve curve;
    EXPECT_EQ(curve.parse(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()), expected);
    return curve;
}

void expectNear(const Vec3& a, const Vec3& b) {
    EXPECT_NEAR(a.x, b.x, 1e-4);
    EXPECT_NEAR(a.y, b.y, 1e-4);
    EXPECT_NEAR(a.z, b.z, 1e-4);
}

Vec3 mix(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3, float w0, float w1, float w2,
         float w3) {
    return {w0 * p0.x + w1 * p1.x + w2 * p2.x + w3 * p3.x, w0 * p0.y + w1 * p1.y + w2 * p2.y + w3 * p3.y,
            w0 * p0.z + w1 * p1.z + w2 * p2.z + w3 * p3.z};
}

const std::vector<Key> kThreeKeys = {
    {{0, 0, 0}, {0, 0, 0}, {1, 2, 0}},
    {{4, 0, 2}, {-1, 0, 0}, {0, 3, 1}},
    {{8, 4, -2}, {0, -1, 1}, {0, 0, 0}},
};

TEST(CurveEvaluate, SegmentCountZeroGivesKeyZeroForEveryT) {
    const Curve c = parsed(curveFile(0, kThreeKeys));
    for (float t : {0.0f, 0.3f, 1.0f, 1.7f, -0.4f}) expectNear(c.evaluate(t), kThreeKeys[0].point);
}

TEST(CurveEvaluate, EachSegmentTakesAnEqualShareOfT) {
    const Curve c = parsed(curveFile(2, kThreeKeys));
    // t = 0.75 is segment 1 at u = 0.5.
    const Key& a = kThreeKeys[1];
    const Key& b = kThreeKeys[2];
    expectNear(c.evaluate(0.75f), mix(a.point, a.point.add(a.outHandle), b.point.add(b.inHandle), b.point,
                                      0.125f, 0.375f, 0.375f, 0.125f));
    // t = 0.25 is segment 0 at u = 0.5.
    const Key& k0 = kThreeKeys[0];
    expectNear(c.evaluate(0.25f), mix(k0.point, k0.point.add(k0.outHandle), a.point.add(a.inHandle), a.point,
                                      0.125f, 0.375f, 0.375f, 0.125f));
    // Key boundaries and the ends are the keys themselves.
    expectNear(c.evaluate(0.0f), kThreeKeys[0].point);
    expectNear(c.evaluate(0.5f), kThreeKeys[1].point);
    EXPECT_EQ(c.evaluate(1.0f), kThreeKeys[2].point);
}

TEST(CurveEvaluate, ZeroHandlesRunStraightButSlowAtBothEnds) {
    const Curve c = parsed(curveFile(1, {{{0, 0, 0}, {}, {}}, {{8, 0, 0}, {}, {}}}));
    // Weight of the end point: 3u^2v + u^3; at u = 0.25 that is 0.15625, not 0.25.
    expectNear(c.evaluate(0.25f), {1.25f, 0, 0});
    expectNear(c.evaluate(0.5f), {4, 0, 0});
    expectNear(c.evaluate(0.75f), {6.75f, 0, 0});
}

TEST(CurveEvaluate, TOutsideZeroToOneWrapsAround) {
    const Curve c = parsed(curveFile(2, kThreeKeys));
    expectNear(c.evaluate(1.25f), c.evaluate(0.25f));
    expectNear(c.evaluate(-0.25f), c.evaluate(0.75f));
    expectNear(c.evaluate(3.5f), c.evaluate(0.5f));
    // Whatever t is, no key outside the record is read and the result is a number.
    for (float t : {std::nanf(""), INFINITY, -INFINITY, 1e30f, -1e30f}) {
        const Vec3 p = c.evaluate(t);
        EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) << t;
    }
}

TEST(CurveEvaluate, SixtyThreeSegmentsUseTheLastKey) {
    std::vector<Key> keys(64);
    for (int k = 0; k < 64; ++k) keys[k].point = {static_cast<float>(k), 0, 0};
    const Curve c = parsed(curveFile(63, keys));
    EXPECT_TRUE(c.usable());
    EXPECT_EQ(c.evaluate(1.0f), (Vec3{63, 0, 0}));
    EXPECT_NEAR(c.evaluate(0.9999999f).x, 63, 1e-3);
}

TEST(CurveFile, AShortFileLeavesTheKeysItDoesNotReachAtZero) {
    // Such a file is damaged (the checker says so), but the player uses what it has.
    const Curve c = parsed(curveFile(3, {kThreeKeys[0], kThreeKeys[1]}), Curve::LoadResult::Truncated);
    EXPECT_TRUE(c.usable());
    EXPECT_EQ(c.keys[1].point, kThreeKeys[1].point);
    EXPECT_EQ(c.keys[2].point, (Vec3{}));
    EXPECT_EQ(c.keys[63].outHandle, (Vec3{}));
    EXPECT_EQ(c.evaluate(1.0f), (Vec3{}));  // key 3 was never in the file
    // A file cut inside a key keeps the bytes it has.
    std::string cut = curveFile(1, kThreeKeys).substr(0, 4 + 40 + 4);
    const Curve d = parsed(cut, Curve::LoadResult::Truncated);
    EXPECT_EQ(d.keys[1].point, (Vec3{4, 0, 0}));
}

TEST(CurveFile, BytesBeyondTheRecordAreIgnored) {
    std::vector<Key> keys(64);
    keys[63].point = {1, 2, 3};
    std::string bytes = curveFile(63, keys) + std::string(100, '\x7f');
    const Curve c = parsed(bytes);
    EXPECT_EQ(c.evaluate(1.0f), (Vec3{1, 2, 3}));
}

struct BadCase {
    std::string bytes;
    Curve::LoadResult result;
};

void PrintTo(const BadCase& c, std::ostream* os) {
    *os << c.bytes.size() << " bytes";
}

class BadCurveTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadCurveTest, IsNeverEvaluated) {
    const Curve c = parsed(GetParam().bytes, GetParam().result);
    EXPECT_FALSE(c.usable());
    for (float t : {0.0f, 0.5f, 1.0f}) EXPECT_EQ(c.evaluate(t), (Vec3{}));
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadCurveTest,
    ::testing::Values(BadCase{"", Curve::LoadResult::Empty},
                      BadCase{std::string("\x01\x00", 2), Curve::LoadResult::BadSegmentCount},
                      BadCase{curveFile(-1, kThreeKeys), Curve::LoadResult::BadSegmentCount},
                      BadCase{curveFile(64, kThreeKeys), Curve::LoadResult::BadSegmentCount},
                      BadCase{curveFile(1000000, {}), Curve::LoadResult::BadSegmentCount},
                      BadCase{curveFile(INT32_MIN, {}), Curve::LoadResult::BadSegmentCount}));

TEST(CurveFile, LoadReadsTheFileRawAndReportsWhyItFailed) {
    test::TempDir dir;
    test::ScopedWorkingDirectory cwd(dir.path());
    // Bytes that a text-mode read would change (CR LF, 0x1A) must arrive unchanged.
    const std::vector<Key> keys = {{{0, 0, 0}, {}, {}}, {{1.5f, -2, 3}, {}, {}}};
    std::string bytes = curveFile(1, keys);
    bytes[4 + 40 + 36] = '\r';
    bytes[4 + 40 + 37] = '\n';
    bytes[4 + 40 + 38] = '\x1a';
    dir.write("data/Path.crv", bytes);

    DiskFiles disk;
    Curve c;
    EXPECT_EQ(c.load("data\\path.crv", disk), Curve::LoadResult::Loaded);
    EXPECT_EQ(c.evaluate(1.0f), (Vec3{1.5f, -2, 3}));

    dir.write("data/empty.crv", "");
    EXPECT_EQ(c.load("data\\empty.crv", disk), Curve::LoadResult::Empty);
    EXPECT_FALSE(c.usable());
    EXPECT_EQ(c.load("data\\missing.crv", disk), Curve::LoadResult::CannotOpen);
    EXPECT_FALSE(c.usable());
}

}  // namespace
}  // namespace qm
