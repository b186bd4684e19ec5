// Command lists and scenes: what each command does, the global selection, event numbers, the scene chain.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>

#include "base/paths.h"
#include "base/trace.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "support/recording_object.h"

namespace qm {
namespace {

using test::RecordingObject;

Command select(SceneObject* object) {
    Command c;
    c.type = CommandType::Select;
    c.object = object;
    return c;
}

Command values(CommandType type, float x, float y = 0, float z = 0) {
    Command c;
    c.type = type;
    c.x = x;
    c.y = y;
    c.z = z;
    return c;
}

Command flag(CommandType type, bool value) {
    Command c;
    c.type = type;
    c.flag = value;
    return c;
}

// The stage of a run, with nothing to read and no trace.
struct TestStage {
    DiskFiles files;
    Trace trace;
    Stage stage{files, trace};
};

Command vector(CommandType type, Vec3 v) {
    Command c;
    c.type = type;
    c.storage = std::make_unique<Vec3>(v);
    c.vector = c.storage.get();
    return c;
}

class CommandListTest : public ::testing::Test {
protected:
    TestStage run;
    Stage& stage = run.stage;
    RecordingObject a{"a"};
    RecordingObject b{"b"};
};

TEST_F(CommandListTest, EachCommandSetsItsFieldOnTheSelectedObject) {
    Vec3 target{7, 8, 9};
    Curve curve;
    CommandList list;
    list.append(select(&a));
    list.append(values(CommandType::SetCurveTime, 0.25f));
    list.append(values(CommandType::SetCurveSpeed, 2));
    Command lookAt;
    lookAt.type = CommandType::SetLookAt;
    lookAt.vector = &target;
    list.append(std::move(lookAt));
    list.append(values(CommandType::SetRotation, 1, 2, 3));
    list.append(flag(CommandType::SetRotating, true));
    list.append(values(CommandType::SetRotateSpeed, 4, 5, 6));
    list.append(values(CommandType::SetPosition, -1, -2, -3));
    Command follow;
    follow.type = CommandType::SetCurve;
    follow.curve = &curve;
    list.append(std::move(follow));
    list.append(flag(CommandType::SetLooping, true));
    list.append(flag(CommandType::SetEnabled, false));
    list.append(flag(CommandType::SetVisible, false));
    list.append(flag(CommandType::SetMoving, false));
    list.append(vector(CommandType::SetScale, {2, 2, 2}));
    list.append(vector(CommandType::SetMinScale, {0.5f, 0.5f, 0.5f}));
    list.append(vector(CommandType::SetMaxScale, {3, 3, 3}));
    list.append(vector(CommandType::SetScaleSpeed, {0.1f, 0.2f, 0.3f}));
    list.append(values(static_cast<CommandType>(99), 1));  // unknown types do nothing
    list.run(stage);

    EXPECT_EQ(stage.selected, &a);
    EXPECT_EQ(a.curveTime, 0.25f);
    EXPECT_EQ(a.curveSpeed, 2);
    EXPECT_EQ(a.lookAtTarget, &target);
    EXPECT_EQ(a.rotation, (Vec3{1, 2, 3}));
    EXPECT_TRUE(a.rotating);
    EXPECT_EQ(a.rotateSpeed, (Vec3{4, 5, 6}));
    EXPECT_EQ(a.position, (Vec3{-1, -2, -3}));
    EXPECT_EQ(a.curve, &curve);
    EXPECT_EQ(a.curveOrigin, (Vec3{-1, -2, -3}));  // the position when the curve command ran
    EXPECT_TRUE(a.looping);
    EXPECT_FALSE(a.enabled);
    EXPECT_FALSE(a.visible);
    EXPECT_FALSE(a.moving);
    EXPECT_EQ(*a.scale, (Vec3{2, 2, 2}));
    EXPECT_EQ(a.minScale, (Vec3{0.5f, 0.5f, 0.5f}));
    EXPECT_EQ(a.maxScale, (Vec3{3, 3, 3}));
    EXPECT_EQ(a.scaleSpeed, (Vec3{0.1f, 0.2f, 0.3f}));
    EXPECT_EQ(b.position, (Vec3{}));
}

TEST_F(CommandListTest, TheSelectionCarriesOverFromOneListToTheNext) {
    CommandList first;
    first.append(select(&a));
    first.append(values(CommandType::SetPosition, 1, 1, 1));
    first.append(select(&b));
    CommandList second;  // no Select: acts on what the first list selected last
    second.append(values(CommandType::SetPosition, 2, 2, 2));
    second.append(select(&a));
    second.append(flag(CommandType::SetVisible, false));

    first.run(stage);
    second.run(stage);
    EXPECT_EQ(a.position, (Vec3{1, 1, 1}));
    EXPECT_EQ(b.position, (Vec3{2, 2, 2}));
    EXPECT_FALSE(a.visible);
    EXPECT_EQ(stage.selected, &a);
}

TEST_F(CommandListTest, CommandsWithNothingSelectedDoNothing) {
    CommandList list;
    list.append(values(CommandType::SetPosition, 2, 2, 2));
    list.append(select(nullptr));
    list.append(values(CommandType::Trigger, 1));
    list.run(stage);
    EXPECT_EQ(stage.selected, nullptr);
}

TEST_F(CommandListTest, RunningSetScaleAgainHandsOutTheSameAnimatedVector) {
    CommandList list;
    list.append(select(&a));
    list.append(vector(CommandType::SetScale, {1, 1, 1}));
    list.run(stage);
    a.scale->x = 5;  // as the scale animation would
    list.run(stage);
    EXPECT_EQ(a.scale->x, 5);  // not restored to the script's value
}

TEST_F(CommandListTest, TriggerSendsTheValueTruncatedTowardZero) {
    CommandList list;
    list.append(select(&a));
    for (float v : {2.9f, -1.5f, 0.0f, 1e20f, -1e20f, INFINITY, std::nanf("")})
        list.append(values(CommandType::Trigger, v));
    list.run(stage);
    EXPECT_EQ(a.triggers, (std::vector<int>{2, -1, 0, INT_MAX, INT_MIN, INT_MAX, 0}));
}

TEST(SceneEvents, RunEventRunsThatListOnlyAndIgnoresNumbersOutside0To255) {
    TestStage run;
    Scene scene(run.stage);
    RecordingObject* obj =
        static_cast<RecordingObject*>(scene.objects.add(std::make_unique<RecordingObject>("obj")));
    scene.eventLists[0].append(select(obj));
    scene.eventLists[0].append(values(CommandType::Trigger, 10));
    scene.eventLists[255].append(select(obj));
    scene.eventLists[255].append(values(CommandType::Trigger, 255));
    for (int n : {-1, 256, 1000, INT_MIN, 7, 255, 0, 255}) scene.runEvent(n);
    EXPECT_EQ(obj->triggers, (std::vector<int>{255, 10, 255}));
}

TEST(ObjectTreeTest, AddHangsObjectsBelowTheRootCameraAndFindFallsBackToSceneRoot) {
    ObjectTree tree;
    ASSERT_NE(dynamic_cast<Camera*>(tree.root.get()), nullptr);
    EXPECT_EQ(tree.root->name, "Camera");
    std::vector<std::string> log;
    SceneObject* a = tree.add(std::make_unique<RecordingObject>("a", &log));
    SceneObject* b = tree.add(std::make_unique<RecordingObject>("b", &log));
    EXPECT_EQ(tree.root->firstChild.get(), a);
    EXPECT_EQ(a->next.get(), b);
    EXPECT_EQ(log, (std::vector<std::string>{"init a", "init b"}));
    EXPECT_EQ(tree.find("b", nullptr), b);
    EXPECT_EQ(tree.find("Camera", nullptr), tree.root.get());

    RecordingObject elsewhere("elsewhere");
    EXPECT_EQ(tree.find("nobody", &elsewhere), &elsewhere);
    EXPECT_EQ(tree.find("nobody", nullptr), nullptr);

    // With no root, the first object added becomes the root, without init.
    ObjectTree empty;
    empty.root.reset();
    SceneObject* r = empty.add(std::make_unique<RecordingObject>("r", &log));
    EXPECT_EQ(empty.root.get(), r);
    EXPECT_EQ(log.size(), 2u);
}

TEST(SceneChain, AppendFindAndActivate) {
    TestStage run;
    const SceneObject* const& sceneRoot = run.stage.root;
    Scene head(run.stage);
    auto a = std::make_unique<Scene>(run.stage);
    a->setName("a");
    Scene* pa = head.appendScene(std::move(a));
    EXPECT_EQ(sceneRoot, pa->objects.root.get());  // appending activates the new scene
    auto b = std::make_unique<Scene>(run.stage);
    b->setName("b");
    Scene* pb = head.appendScene(std::move(b));
    auto twin = std::make_unique<Scene>(run.stage);
    twin->setName("a");
    head.appendScene(std::move(twin));

    EXPECT_EQ(head.next.get(), pa);
    EXPECT_EQ(pa->prev, &head);
    EXPECT_EQ(pb->prev, pa);
    EXPECT_EQ(head.findByName("a"), pa);  // the first of two with the same name
    EXPECT_EQ(head.findByName("b"), pb);
    EXPECT_EQ(head.findByName("A"), nullptr);
    EXPECT_EQ(head.findByName(""), nullptr);  // unnamed scenes never match
    EXPECT_EQ(head.findOrSelf("missing"), &head);
    EXPECT_EQ(pb->findOrSelf("a"), pb->next.get());  // the search goes forward only

    head.activate();
    EXPECT_EQ(sceneRoot, head.objects.root.get());
}

TEST(SceneChain, DestroyingAScenesForgetsTheStagesPointersIntoIt) {
    TestStage run;
    auto head = std::make_unique<Scene>(run.stage);
    Scene* a = head->appendScene(std::make_unique<Scene>(run.stage));
    SceneObject* obj = a->objects.add(std::make_unique<RecordingObject>("obj"));
    run.stage.selected = obj;
    ASSERT_EQ(run.stage.root, a->objects.root.get());
    head.reset();
    EXPECT_EQ(run.stage.root, nullptr);
    EXPECT_EQ(run.stage.selected, nullptr);
}

}  // namespace
}  // namespace qm
