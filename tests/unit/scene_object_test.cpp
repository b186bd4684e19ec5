// The scene object base: tree links, walk and search order, spin wrap, look-at, curve and scale animation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/frame_clock.h"
#include "scene/curve.h"
#include "support/recording_object.h"

namespace qm {
namespace {

using test::RecordingObject;

// A drawn frame step of `delta` seconds.
FrameContext stepOf(double delta) {
    return {0, delta, true, 1};
}

std::unique_ptr<RecordingObject> make(const char* name, std::vector<std::string>* log = nullptr) {
    return std::make_unique<RecordingObject>(name, log);
}

// Appends a child below `parent` (first child, or at the end of its children).
RecordingObject* addChild(SceneObject& parent, std::unique_ptr<RecordingObject> child) {
    RecordingObject* raw = child.get();
    if (parent.firstChild) {
        parent.firstChild->appendToTree(std::move(child));
    } else if (!parent.prev) {
        parent.appendToTree(std::move(child));
    } else {
        child->prev = &parent;
        parent.firstChild = std::move(child);
    }
    return raw;
}

TEST(SceneObjectTree, AppendToTreeOnARootAddsChildrenAndRunsInitOnce) {
    std::vector<std::string> log;
    RecordingObject root("root", &log);
    SceneObject* a = root.appendToTree(make("a", &log));
    SceneObject* b = root.appendToTree(make("b", &log));
    // Called on a non-root object it appends a sibling at the end of its chain.
    SceneObject* c = a->appendToTree(make("c", &log));

    EXPECT_EQ(root.firstChild.get(), a);
    EXPECT_EQ(a->prev, &root);  // the first child's prev is the parent
    EXPECT_EQ(a->next.get(), b);
    EXPECT_EQ(b->prev, a);
    EXPECT_EQ(b->next.get(), c);
    EXPECT_EQ(c->prev, b);
    EXPECT_EQ(c->next, nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"init a", "init b", "init c"}));
}

// root
//  +- top -- dup(1) -- last
//     |       |          +- dup(3)
//     |       +- dup(2)
//     +- deep
//         +- dup(4)
struct NamedTree {
    RecordingObject root{"root"};
    RecordingObject *top, *dup1, *last, *dup2, *dup3, *deep, *dup4;
    NamedTree() {
        top = addChild(root, make("top"));
        dup1 = addChild(root, make("dup"));
        last = addChild(root, make("last"));
        deep = addChild(*top, make("deep"));
        dup4 = addChild(*deep, make("dup"));
        dup2 = addChild(*dup1, make("dup"));
        dup3 = addChild(*last, make("dup"));
    }
};

TEST(SceneObjectTree, FindByNameChecksTheChainThenTheChildrenOfItsLaterObjectsFirst) {
    NamedTree t;
    EXPECT_EQ(t.root.findByName("root"), &t.root);
    // A sibling at the top level is met before any child.
    EXPECT_EQ(t.root.findByName("dup"), t.dup1);
    // Searching from the chain's first object: the chain top, dup, last; then the
    // children of last, then of dup, then of top (the recursion unwinds backwards).
    t.dup1->name.reset();
    EXPECT_EQ(t.root.findByName("dup"), t.dup3);
    t.dup3->name.reset();
    EXPECT_EQ(t.root.findByName("dup"), t.dup2);
    t.dup2->name.reset();
    EXPECT_EQ(t.root.findByName("dup"), t.dup4);
    // Exact, case-sensitive, whole-string comparison; unnamed objects never match.
    EXPECT_EQ(t.root.findByName("Dup"), nullptr);
    EXPECT_EQ(t.root.findByName("du"), nullptr);
    EXPECT_EQ(t.root.findByName(""), nullptr);
    // Called on an inner object it searches that object's chain and subtrees only.
    EXPECT_EQ(t.last->findByName("top"), nullptr);
    EXPECT_EQ(t.top->findByName("last"), t.last);
}

TEST(SceneObjectTree, UpdateWalkVisitsEachObjectThenItsChildrenThenTheNextSibling) {
    std::vector<std::string> log;
    RecordingObject root("root", &log);
    RecordingObject* a = addChild(root, make("a", &log));
    RecordingObject* b = addChild(root, make("b", &log));
    addChild(*a, make("a1", &log));
    addChild(*a, make("a2", &log));
    addChild(*b, make("b1", &log));
    a->enabled = false;  // gates a's own update only, never its children
    log.clear();

    root.updateTree(stepOf(0));
    EXPECT_EQ(log,
              (std::vector<std::string>{"update root", "update a1", "update a2", "update b", "update b1"}));
}

// The smallest kind, for trees of many objects.
class Plain : public SceneObject {
public:
    void draw(const FrameContext&) override {}
    void update(const FrameContext&) override { ++updates; }
    void load(std::string_view) override {}
    void trigger(int) override {}
    static inline long updates = 0;
};

TEST(SceneObjectTree, LongChainsAndDeepTreesAreWalkedAndDestroyedWithoutDeepRecursion) {
    constexpr int kCount = 150000;
    auto root = std::make_unique<Plain>();
    SceneObject* p = root.get();
    for (int i = 0; i < kCount; ++i) {
        auto child = std::make_unique<Plain>();
        SceneObject* raw = child.get();
        child->prev = p;
        p->firstChild = std::move(child);
        p = raw;
    }
    SceneObject* tail = root->firstChild.get();
    for (int i = 0; i < kCount; ++i) {
        auto sibling = std::make_unique<Plain>();
        sibling->prev = tail;
        tail->next = std::move(sibling);
        tail = tail->next.get();
    }
    Plain::updates = 0;
    root->updateTree(stepOf(0));  // the whole chain, but only the first levels of the deep branch
    EXPECT_EQ(Plain::updates, 1 + kCount + SceneObject::kMaxTreeDepth - 1);
    root.reset();  // must not overflow the stack
}

struct SpinCase {
    float angle;
    float speed;
    double delta;
    float expected;
};

void PrintTo(const SpinCase& c, std::ostream* os) {
    *os << c.angle << " + " << c.speed << " x " << c.delta;
}

class SpinWrapTest : public ::testing::TestWithParam<SpinCase> {};

TEST_P(SpinWrapTest, AdvancesAndCorrectsEachAngleOncePerFrame) {
    const SpinCase& c = GetParam();
    const FrameContext frame = stepOf(c.delta);
    RecordingObject o("o");
    o.rotation.set(c.angle, c.angle, c.angle);
    o.rotateSpeed.set(c.speed, c.speed, c.speed);
    o.advanceSpin(frame.delta);
    EXPECT_FLOAT_EQ(o.rotation.x, c.expected);
    EXPECT_FLOAT_EQ(o.rotation.y, c.expected);
    EXPECT_FLOAT_EQ(o.rotation.z, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Angles, SpinWrapTest,
                         ::testing::Values(SpinCase{350, 20, 1, 10}, SpinCase{-10, 0, 1, 350},
                                           SpinCase{725, 0, 1, 365},  // one correction per frame
                                           SpinCase{0, 0, 1, 360},    // exactly 0 becomes 360 ...
                                           SpinCase{360, 0, 1, 360},  // ... and stays there
                                           SpinCase{10, -20, 1, 350}, SpinCase{90, 30, 0.5, 105},
                                           SpinCase{-400, 0, 1, -40}));

struct LookAtCase {
    Vec3 position;
    Vec3 target;
    float yaw;
    float pitch;
};

void PrintTo(const LookAtCase& c, std::ostream* os) {
    *os << "(" << c.position.x << ", " << c.position.y << ", " << c.position.z << ") at (" << c.target.x
        << ", " << c.target.y << ", " << c.target.z << ")";
}

class LookAtTest : public ::testing::TestWithParam<LookAtCase> {};

TEST_P(LookAtTest, TurnsYawAndPitchTowardsTheTarget) {
    const LookAtCase& c = GetParam();
    RecordingObject o("o");
    Vec3 target = c.target;
    o.position = c.position;
    o.rotation.z = 17;
    o.lookAtTarget = &target;
    o.applyLookAt();
    EXPECT_NEAR(o.rotation.y, c.yaw, 1e-3);
    EXPECT_NEAR(o.rotation.x, c.pitch, 1e-2);
    EXPECT_EQ(o.rotation.z, 17);  // roll is left alone
}

INSTANTIATE_TEST_SUITE_P(
    Targets, LookAtTest,
    ::testing::Values(LookAtCase{{10, 0, 0}, {0, 0, 0}, 90, 0},    // target along -x: yaw 90
                      LookAtCase{{-10, 0, 0}, {0, 0, 0}, -90, 0},  // along +x
                      LookAtCase{{0, 0, 0}, {0, 0, -10}, 0, 0},    // straight ahead (-z)
                      LookAtCase{{0, 0, 0}, {0, 0, 10}, -180, 0},  // behind: 180 is subtracted
                      LookAtCase{{10, 0, 0}, {0, 10, 0}, 90, 45},  // up and to the side
                      LookAtCase{{-10, 0, 0}, {0, 10, 0}, -90, 45},
                      LookAtCase{{0, 5, 10}, {0, 0, 0}, 0, -26.565f},  // down, ahead
                      LookAtCase{{3, 0, 3}, {0, 0, 0}, 45, 0}));

TEST(LookAt, NudgesAPositionLevelWithItsTargetPermanently) {
    RecordingObject o("o");
    Vec3 target{2, 5, 3};
    o.position.set(2, 0, 3);
    o.lookAtTarget = &target;
    o.applyLookAt();
    EXPECT_FLOAT_EQ(o.position.x, 2 + 0.00001f);
    EXPECT_FLOAT_EQ(o.position.z, 3 + 0.00001f);
    EXPECT_TRUE(std::isfinite(o.rotation.x));
    EXPECT_TRUE(std::isfinite(o.rotation.y));
    o.applyLookAt();  // no longer level: no second nudge
    EXPECT_FLOAT_EQ(o.position.x, 2 + 0.00001f);
}

// A one-segment straight curve from (0, 0, 0) to (10, 0, 0).
Curve straightCurve() {
    Curve curve;
    unsigned char bytes[4 + 2 * 40] = {1};
    const float ten = 10;
    std::memcpy(bytes + 4 + 40, &ten, 4);  // key 1 point.x (the tests run little-endian)
    curve.parse(bytes, sizeof bytes);
    return curve;
}

struct CurveStepCase {
    float time;
    float speed;
    double delta;
    bool looping;
    float expected;
};

void PrintTo(const CurveStepCase& c, std::ostream* os) {
    *os << c.time << " + " << c.speed << " x " << c.delta << (c.looping ? " looping" : "");
}

class CurveStepTest : public ::testing::TestWithParam<CurveStepCase> {};

TEST_P(CurveStepTest, AdvancesCurveTimeAndClampsOrWrapsAtTheEnds) {
    const CurveStepCase& c = GetParam();
    const FrameContext frame = stepOf(c.delta);
    const Curve curve = straightCurve();
    RecordingObject o("o");
    o.curve = &curve;
    o.curveTime = c.time;
    o.curveSpeed = c.speed;
    o.looping = c.looping;
    o.updateTree(frame);
    EXPECT_NEAR(o.curveTime, c.expected, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Steps, CurveStepTest,
                         ::testing::Values(CurveStepCase{0.9f, 0.5f, 0.4, false, 1.0f},
                                           CurveStepCase{0.9f, 0.5f, 0.4, true, 0.1f},
                                           CurveStepCase{0.1f, -0.3f, 1.0, true, 0.8f},
                                           CurveStepCase{0.1f, -0.3f, 1.0, false, 0.0f},
                                           CurveStepCase{0.2f, 0.5f, 0.2, false, 0.3f},
                                           CurveStepCase{1.0f, 0.0f, 1.0, false, 1.0f}));

TEST(CurveMotion, PositionIsOriginPlusCurvePointEvenWhenNotMoving) {
    const FrameContext frame = stepOf(1.0);
    const Curve curve = straightCurve();
    RecordingObject o("o");
    o.curve = &curve;
    o.curveOrigin.set(1, 2, 3);
    o.curveSpeed = 0.5f;
    o.curveTime = 1;  // at the end of the straight segment: x = 10
    o.moving = false;
    o.enabled = false;  // curve motion runs whatever `enabled` says
    o.updateTree(frame);
    EXPECT_EQ(o.curveTime, 1.0f);
    EXPECT_EQ(o.position, (Vec3{11, 2, 3}));
}

TEST(CurveMotion, AnUnusableCurveLeavesTheObjectWhereItIs) {
    const FrameContext frame = stepOf(1.0);
    Curve broken;
    unsigned char bytes[4] = {64};  // segment count 64 would read past the last key
    EXPECT_EQ(broken.parse(bytes, sizeof bytes), Curve::LoadResult::BadSegmentCount);
    RecordingObject o("o");
    o.position.set(4, 5, 6);
    o.curve = &broken;
    o.curveSpeed = 0.5f;
    o.updateTree(frame);
    EXPECT_EQ(o.position, (Vec3{4, 5, 6}));
}

TEST(ScaleAnimation, DefaultBoundsClampToZeroAndStopTheSpeed) {
    const FrameContext frame = stepOf(0.1);
    Vec3 scale{1, 1, 1};
    RecordingObject o("o");
    o.scale = &scale;
    o.scaleSpeed.set(0.5f, 0, 0);
    o.updateTree(frame);
    // The animation writes into the borrowed vector; y and z are clamped to the
    // bounds too, but only the x speed was moving.
    EXPECT_EQ(scale, (Vec3{0, 0, 0}));
    EXPECT_EQ(o.scaleSpeed, (Vec3{0, 0, 0}));
}

TEST(ScaleAnimation, AFactorPassingMaxScaleStopsThereAndItsSpeedBecomesZero) {
    const FrameContext frame = stepOf(1.0);
    Vec3 scale{1, 1, 1};
    RecordingObject o("o");
    o.scale = &scale;
    o.minScale.set(0.5f, 0.5f, 0.5f);
    o.maxScale.set(1.2f, 3, 3);
    o.scaleSpeed.set(0.5f, 0.5f, -1);
    o.updateTree(frame);
    EXPECT_EQ(scale, (Vec3{1.2f, 1.5f, 0.5f}));
    EXPECT_EQ(o.scaleSpeed, (Vec3{0, 0.5f, 0}));
    o.updateTree(frame);
    EXPECT_EQ(scale, (Vec3{1.2f, 2.0f, 0.5f}));
}

TEST(ScaleAnimation, NothingMovesWithoutAScaleVectorOrWithZeroSpeeds) {
    const FrameContext frame = stepOf(1.0);
    RecordingObject o("o");
    o.scaleSpeed.set(1, 1, 1);
    o.updateTree(frame);  // no scale vector: nothing to write into
    Vec3 scale{2, 2, 2};
    o.scale = &scale;
    o.scaleSpeed.set(0, 0, 0);
    o.updateTree(frame);  // zero speeds: the bounds (0) are not applied
    EXPECT_EQ(scale, (Vec3{2, 2, 2}));
}

}  // namespace
}  // namespace qm
