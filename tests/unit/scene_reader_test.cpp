// The scene script reader: blocks, lists, wrap-around words, switches, reloads and what it tells a checker.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "objects/kinds.h"
#include "runtime/demo_run.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "scene/script_findings.h"
#include "support/recording_object.h"
#include "support/temp_dir.h"
#include "support/trace_capture.h"

namespace qm {
namespace {

struct Seen {
    int line;
    ScriptFindingKind kind;
    std::string text;
    bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& s, std::ostream* os) {
    *os << "{" << s.line << ", kind " << static_cast<int>(s.kind) << ", \"" << s.text << "\"}";
}

class Findings : public ScriptObserver {
public:
    void notice(const ScriptFinding& f) override {
        seen.push_back({f.line, f.kind, std::string(f.text)});
        if (f.kind == ScriptFindingKind::CurveRead) curveResults.push_back(f.curveResult);
    }
    std::vector<Seen> seen;
    std::vector<Curve::LoadResult> curveResults;
};

// Scenes read on the stage of a run, with the run's object kinds.
class SceneReaderTest : public ::testing::Test {
protected:
    void SetUp() override { scene.activate(); }

    int read(std::string_view text, const char* file = "scene.qms") {
        dir.write(file, text);
        findings.seen.clear();
        return scene.load(file, &findings);
    }
    SceneObject* root() { return scene.objects.root.get(); }
    SceneObject* find(const char* name) { return root()->findByName(name); }
    static std::vector<std::string> childNames(const SceneObject* parent) {
        std::vector<std::string> names;
        for (const SceneObject* o = parent->firstChild.get(); o; o = o->next.get())
            names.push_back(o->name.value_or("(unnamed)"));
        return names;
    }
    int objectCount() {
        int n = 0;
        std::vector<SceneObject*> pending{root()};
        while (!pending.empty()) {
            SceneObject* o = pending.back();
            pending.pop_back();
            for (; o; o = o->next.get()) {
                ++n;
                if (o->firstChild) pending.push_back(o->firstChild.get());
            }
        }
        return n;
    }

    test::TempDir dir;
    test::ScopedWorkingDirectory cwd{dir.path()};
    DemoRun run;
    SceneObject*& selectedObject = run.stage.selected;
    test::TraceCapture trace{run.trace};
    Findings findings;
    Scene scene{run.stage};
};

TEST_F(SceneReaderTest, ReadsObjectsAndListsAndRunsTheLoadListAtTheEnd) {
    ASSERT_EQ(read("on load\n"
                   "new camera box\n"
                   "position 0 0 -5\n"
                   "rotate 0 45 0\n"
                   "rotating t\n"
                   "visable f\n"
                   "end new\n"
                   "on sync 3\n"
                   "select box\n"
                   "visable t\n"
                   "sync 1\n"),
              0);
    SceneObject* box = find("box");
    ASSERT_NE(box, nullptr);
    EXPECT_NE(dynamic_cast<Camera*>(box), nullptr);
    EXPECT_EQ(box->prev, root());
    EXPECT_EQ(box->position, (Vec3{0, 0, -5}));
    EXPECT_EQ(box->rotateSpeed, (Vec3{0, 45, 0}));
    EXPECT_TRUE(box->rotating);
    EXPECT_FALSE(box->visible);
    EXPECT_EQ(selectedObject, box);
    EXPECT_EQ(scene.eventLists[3].size(), 3u);

    scene.runEvent(3);
    EXPECT_TRUE(box->visible);
    EXPECT_TRUE(findings.seen.empty());
}

TEST_F(SceneReaderTest, MissingWordsWrapAroundToTheLinesOwnWords) {
    read(
        "on load\n"
        "new camera\n"    // named after word 0
        "position 5\n"    // (5, "position", "5") = (5, 0, 5)
        "rotation 1 2\n"  // word 3 is word 0: (1, 2, 0)
        "end new\n"
        "on sync\n"  // word 2 is "on": event list 0
        "select new\n"
        "visable f\n");
    SceneObject* made = find("new");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->position, (Vec3{5, 0, 5}));
    EXPECT_EQ(made->rotation, (Vec3{1, 2, 0}));
    EXPECT_EQ(scene.eventLists[0].size(), 2u);
    scene.runEvent(0);
    EXPECT_FALSE(made->visible);
    EXPECT_EQ(findings.seen, (std::vector<Seen>{{2, ScriptFindingKind::MissingArguments, "new"},
                                                {3, ScriptFindingKind::MissingArguments, "position"},
                                                {4, ScriptFindingKind::MissingArguments, "rotation"},
                                                {6, ScriptFindingKind::MissingArguments, "on"}}));
}

struct SwitchCase {
    const char* line;
    bool appended;
    bool value;
};

void PrintTo(const SwitchCase& c, std::ostream* os) {
    *os << "[" << c.line << "]";
}

class SwitchTest : public SceneReaderTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(SwitchTest, IsJudgedByItsFirstCharacter) {
    const SwitchCase& c = GetParam();
    read(std::string("on load\nnew camera o\n") + c.line + "\n");
    // The Select of the "new" line, then the switch command if it was understood.
    EXPECT_EQ(scene.loadList.size(), c.appended ? 2u : 1u) << c.line;
    if (!c.appended) return;
    const Command& cmd = scene.loadList.commands().back();
    EXPECT_EQ(cmd.flag, c.value) << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    Values, SwitchTest,
    ::testing::Values(SwitchCase{"rotating true", true, true}, SwitchCase{"rotating 1", true, true},
                      SwitchCase{"rotating f", true, false}, SwitchCase{"rotating 0", true, false},
                      SwitchCase{"rotating yes", false, false}, SwitchCase{"rotating T", false, false},
                      SwitchCase{"rotating \"\"", false, false},
                      SwitchCase{"rotating", false, false},  // word 1 wraps to "rotating": r
                      SwitchCase{"enabled false", true, false}, SwitchCase{"moving 1", true, true},
                      SwitchCase{"visable 0", true, false},
                      // "looping" takes only t and f.
                      SwitchCase{"looping t", true, true}, SwitchCase{"looping false", true, false},
                      SwitchCase{"looping 1", false, false}, SwitchCase{"looping 0", false, false},
                      // There is no "visible" keyword.
                      SwitchCase{"visible f", false, false}));

TEST_F(SceneReaderTest, NestedBlocksMakeChildrenInOrder) {
    read(
        "on load\n"
        "new camera hub\n"
        "  new camera one\n"
        "  end new\n"
        "  new camera two\n"
        "    new camera deep\n"
        "    end new\n"
        "  position 1 1 1\n"  // still acts on deep: "end new" appends no command
        "  end new\n"
        "  new camera three\n"
        "  end new\n"
        "end new\n"
        "new camera after\n"
        "end new\n");
    SceneObject* hub = find("hub");
    ASSERT_NE(hub, nullptr);
    EXPECT_EQ(childNames(root()), (std::vector<std::string>{"hub", "after"}));
    EXPECT_EQ(childNames(hub), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(hub->firstChild->prev, hub);
    EXPECT_EQ(childNames(find("two")), (std::vector<std::string>{"deep"}));
    EXPECT_EQ(find("deep")->position, (Vec3{1, 1, 1}));
    EXPECT_EQ(find("two")->position, (Vec3{}));
}

TEST_F(SceneReaderTest, EventNumbersAreDecimalOutOfRangeListsDropTheirLinesAndUnknownListsChangeNothing) {
    read(
        "on sync 31\n"
        "new camera a\n"
        "end new\n"
        "on sync 0x1F\n"  // reads as 0
        "select a\n"
        "on sync 256\n"
        "new camera b\n"  // objects are still made
        "select b\n"      // dropped
        "end new\n"
        "on sync -1\n"
        "visable f\n"  // dropped
        "on bogus\n"   // changes nothing: still no list
        "position 1 1 1\n"
        "on sync 255\n"
        "select b\n"
        "on bogus\n"  // keeps the current list too
        "position 2 0 0\n");
    EXPECT_EQ(scene.eventLists[31].size(), 1u);
    EXPECT_EQ(scene.eventLists[0].size(), 1u);
    EXPECT_EQ(scene.eventLists[255].size(), 2u);
    ASSERT_NE(find("b"), nullptr);
    size_t total = scene.loadList.size();
    for (const CommandList& list : scene.eventLists) total += list.size();
    EXPECT_EQ(total, 4u);
    scene.runEvent(255);
    EXPECT_EQ(selectedObject, find("b"));
    EXPECT_TRUE(find("b")->visible);
    EXPECT_EQ(find("b")->position, (Vec3{2, 0, 0}));
    EXPECT_EQ(findings.seen, (std::vector<Seen>{{6, ScriptFindingKind::EventOutOfRange, "256"},
                                                {8, ScriptFindingKind::DroppedCommand, "select"},
                                                {10, ScriptFindingKind::EventOutOfRange, "-1"},
                                                {11, ScriptFindingKind::DroppedCommand, "visable"},
                                                {12, ScriptFindingKind::UnknownListKind, "bogus"},
                                                {13, ScriptFindingKind::DroppedCommand, "position"},
                                                {16, ScriptFindingKind::UnknownListKind, "bogus"}}));
}

TEST_F(SceneReaderTest, CommandLinesBeforeTheFirstOnAreDroppedButObjectsAreMade) {
    read(
        "new camera early\n"
        "position 1 2 3\n"
        "end new\n"
        "on load\n"
        "select early\n"
        "rotation 0 10 0\n");
    SceneObject* early = find("early");
    ASSERT_NE(early, nullptr);
    EXPECT_EQ(early->position, (Vec3{}));
    EXPECT_EQ(early->rotation, (Vec3{0, 10, 0}));
    EXPECT_EQ(scene.loadList.size(), 2u);
}

TEST_F(SceneReaderTest, AListDeclaredTwiceKeepsOnlyTheSecond) {
    read(
        "on load\n"
        "new camera a\n"
        "position 1 1 1\n"
        "end new\n"
        "on sync 3\n"
        "select a\n"
        "on load\n"
        "new camera b\n"
        "position 2 2 2\n"
        "end new\n"
        "on sync 3\n"
        "select b\n"
        "visable f\n");
    ASSERT_NE(find("a"), nullptr);  // objects made after the first declaration stay
    EXPECT_EQ(find("a")->position, (Vec3{}));
    EXPECT_EQ(find("b")->position, (Vec3{2, 2, 2}));
    EXPECT_EQ(scene.eventLists[3].size(), 2u);
    EXPECT_EQ(findings.seen, (std::vector<Seen>{{7, ScriptFindingKind::ListDeclaredTwice, ""},
                                                {11, ScriptFindingKind::ListDeclaredTwice, ""}}));
}

TEST_F(SceneReaderTest, UnknownKindsActOnTheRootCameraWithoutAttachingItAgain) {
    read(
        "on load\n"
        "new Cube x\n"  // kinds are case-sensitive
        "position 1 2 3\n"
        "new camera inner\n"
        "end new\n"
        "end new\n");
    EXPECT_EQ(root()->position, (Vec3{1, 2, 3}));
    EXPECT_EQ(root()->name, "Camera");  // not renamed
    EXPECT_EQ(root()->prev, nullptr);
    EXPECT_EQ(root()->next, nullptr);
    EXPECT_EQ(childNames(root()), (std::vector<std::string>{"inner"}));
    EXPECT_EQ(objectCount(), 2);
    EXPECT_EQ(scene.loadList.commands().front().object, root());
    EXPECT_EQ(findings.seen, (std::vector<Seen>{{2, ScriptFindingKind::UnknownKind, "Cube"}}));
}

TEST_F(SceneReaderTest, NamesThatNoObjectBearsFallBackToTheRootCamera) {
    read(
        "on load\n"
        "new camera eye\n"  // a second camera; "Camera" still finds the root
        "lookat nobody\n"
        "end new\n"
        "select Camera\n"
        "lookat eye\n"
        "on sync 1\n"
        "select nobody\n"
        "position 4 4 4\n"
        "select eye\n"
        "lookat none\n");
    SceneObject* eye = find("eye");
    ASSERT_NE(eye, nullptr);
    EXPECT_EQ(eye->lookAtTarget, &root()->position);
    EXPECT_EQ(root()->lookAtTarget, &eye->position);
    scene.runEvent(1);
    EXPECT_EQ(root()->position, (Vec3{4, 4, 4}));
    EXPECT_EQ(eye->lookAtTarget, nullptr);
    EXPECT_EQ(findings.seen, (std::vector<Seen>{{3, ScriptFindingKind::NameNotFound, "nobody"},
                                                {8, ScriptFindingKind::NameNotFound, "nobody"}}));
}

TEST_F(SceneReaderTest, ScaleLinesOwnTheirVectors) {
    read(
        "on load\n"
        "new camera a\n"
        "scale 1 2 3\n"
        "minscale 0.5 0.5 0.5\n"
        "maxscale 4 4 4\n"
        "scalespeed 1 0 0\n"
        "end new\n"
        "on sync 1\n"
        "select a\n"
        "scale none\n");
    SceneObject* a = find("a");
    ASSERT_NE(a->scale, nullptr);
    EXPECT_EQ(*a->scale, (Vec3{1, 2, 3}));
    EXPECT_EQ(a->scale, scene.loadList.commands()[1].vector);
    EXPECT_EQ(a->minScale, (Vec3{0.5f, 0.5f, 0.5f}));
    EXPECT_EQ(a->maxScale, (Vec3{4, 4, 4}));
    EXPECT_EQ(a->scaleSpeed, (Vec3{1, 0, 0}));
    scene.runEvent(1);
    EXPECT_EQ(a->scale, nullptr);
}

TEST_F(SceneReaderTest, NumbersAreReadAsFarAsTheWordFormsOne) {
    read(
        "on load\n"
        "new camera a\n"
        "position 1.5e1 -2.25x abc\n"
        "rotation 0x10 .5 -.5\n"
        "jump inf\n"
        "end new\n");
    SceneObject* a = find("a");
    EXPECT_EQ(a->position, (Vec3{15, -2.25f, 0}));
    EXPECT_EQ(a->rotation, (Vec3{0, 0.5f, -0.5f}));
    EXPECT_EQ(a->curveTime, 0);
    EXPECT_EQ(findings.seen, (std::vector<Seen>{{3, ScriptFindingKind::NotANumber, "abc"},
                                                {5, ScriptFindingKind::NotANumber, "inf"}}));
}

TEST_F(SceneReaderTest, CurveLinesReadANewCurveEachOwnedByTheScene) {
    std::string bytes(4 + 2 * 40, '\0');
    bytes[0] = 1;  // one segment
    const float ten = 10;
    std::memcpy(&bytes[4 + 40], &ten, 4);  // key 1 at (10, 0, 0)
    dir.write("data/Line.crv", bytes);
    read(
        "on load\n"
        "new camera a\n"
        "position 1 0 0\n"
        "curve data\\line.crv\n"
        "jump 1\n"
        "end new\n"
        "new camera b\n"
        "position 5 5 5\n"
        "curve data\\line.crv\n"
        "curve data\\missing.crv\n"
        "end new\n"
        "on sync 2\n"
        "select a\n"
        "curve none\n");
    ASSERT_EQ(scene.curves.size(), 3u);
    SceneObject* a = find("a");
    SceneObject* b = find("b");
    EXPECT_NE(a->curve, nullptr);
    EXPECT_NE(scene.curves[0].get(), scene.curves[1].get());  // one curve per line, even for the same file
    EXPECT_EQ(a->curveOrigin, (Vec3{1, 0, 0}));
    scene.update(FrameContext{});
    EXPECT_EQ(a->position, (Vec3{11, 0, 0}));
    EXPECT_EQ(b->position, (Vec3{5, 5, 5}));  // its last curve could not be read: it stays
    EXPECT_EQ(findings.curveResults,
              (std::vector<Curve::LoadResult>{Curve::LoadResult::Loaded, Curve::LoadResult::Loaded,
                                              Curve::LoadResult::CannotOpen}));
    scene.runEvent(2);
    EXPECT_EQ(a->curve, nullptr);
}

TEST_F(SceneReaderTest, LoadLinesGoToTheBlocksObjectAndToTheTrace) {
    // A script cannot make a RecordingObject, but an unknown kind opens a block on
    // the root; with a probe as the root we can watch what "load" passes on.
    auto probe = std::make_unique<test::RecordingObject>("probe");
    test::RecordingObject* p = probe.get();
    scene.objects.root = std::move(probe);
    scene.activate();
    read(
        "load outside\n"
        "on load\n"
        "new mystery thing\n"
        "load \"clouds, 1.5\" ignored\n"
        "load\n"
        "end new\n"
        "load after\n");
    EXPECT_EQ(p->loads, (std::vector<std::string>{"clouds, 1.5", "load"}));
    EXPECT_EQ(trace.text(), "clouds, 1.5\nload\n");
}

TEST_F(SceneReaderTest, TheLastLineWithoutALineEndIsLost) {
    read("on load\nnew camera a\nposition 1 1 1\nend new\nselect a\nvisable f");
    EXPECT_TRUE(find("a")->visible);
    EXPECT_EQ(findings.seen, (std::vector<Seen>{{6, ScriptFindingKind::LastLineUnterminated, "visable f"}}));
    read("on load\nnew camera a\nposition 1 1 1\nend new\nselect a\nvisable f\n");
    EXPECT_FALSE(find("a")->visible);
}

TEST_F(SceneReaderTest, LongLinesAreReadInPiecesOf254Characters) {
    // "jump 0.5" padded to exactly 254 characters; the rest of the line is a line of its own.
    std::string line = "jump 0.5";
    line.resize(254, ' ');
    read("on load\nnew camera a\n" + line + "visable f\nend new\n");
    SceneObject* a = find("a");
    EXPECT_EQ(a->curveTime, 0.5f);
    EXPECT_FALSE(a->visible);
    EXPECT_EQ(findings.seen, (std::vector<Seen>{{3, ScriptFindingKind::LineSplit, ""}}));
}

TEST_F(SceneReaderTest, CarriageReturnsBlankLinesAndLinesStartingWithNulAreHarmless) {
    // Script text ends at a NUL byte, so a line that starts with one is an empty line.
    using namespace std::string_literals;
    read("on load\r\nnew camera a\r\n\r\n   \n\t\n\0position 9 9 9\n\0\nposition 1 2 3\r\nend new\r\n"s);
    EXPECT_EQ(find("a")->position, (Vec3{1, 2, 3}));
    EXPECT_TRUE(findings.seen.empty());
}

TEST_F(SceneReaderTest, StrayStructureLinesDoNothing) {
    read(
        "end new\n"
        "load x\n"
        "on load\n"
        "end\n"
        "end scene\n"
        "// a comment\n"
        "new camera open\n");
    EXPECT_EQ(objectCount(), 2);
    EXPECT_EQ(trace.text(), "");
    EXPECT_EQ(findings.seen, (std::vector<Seen>{{1, ScriptFindingKind::EndOutsideBlock, ""},
                                                {2, ScriptFindingKind::LoadOutsideBlock, ""},
                                                {4, ScriptFindingKind::UnknownEnd, "end"},
                                                {5, ScriptFindingKind::UnknownEnd, "scene"},
                                                {6, ScriptFindingKind::UnknownKeyword, "//"},
                                                {7, ScriptFindingKind::UnclosedBlock, "open"}}));
}

TEST_F(SceneReaderTest, AScriptThatCannotBeOpenedLeavesTheSceneAsItWas) {
    read("on load\nnew camera a\nend new\non sync 1\nselect a\n");
    SceneObject* a = find("a");
    EXPECT_EQ(scene.load("missing.qms", &findings), 0);
    EXPECT_EQ(find("a"), a);
    EXPECT_EQ(scene.eventLists[1].size(), 1u);
    EXPECT_EQ(findings.seen.back().kind, ScriptFindingKind::CannotOpen);
}

// Run under AddressSanitizer, these prove that nothing reaches what a reload destroyed.
TEST_F(SceneReaderTest, AReloadReplacesObjectsClearsEveryListAndForgetsOldPointers) {
    read(
        "on load\n"
        "new camera old\n"
        "position 3 0 0\n"
        "end new\n"
        "select Camera\n"
        "lookat old\n"
        "scale 2 2 2\n"
        "on sync 5\n"
        "select old\n"
        "visable f\n"
        "on sync 6\n"
        "select Camera\n"
        "rotation 0 45 0\n");
    scene.runEvent(5);
    ASSERT_EQ(selectedObject, find("old"));
    root()->position.set(1, 2, 3);

    read(
        "on sync 6\n"
        "new camera fresh\n"
        "end new\n");
    EXPECT_EQ(find("old"), nullptr);
    EXPECT_NE(find("fresh"), nullptr);
    EXPECT_EQ(selectedObject, nullptr);
    EXPECT_EQ(root()->lookAtTarget, nullptr);
    EXPECT_EQ(root()->scale, nullptr);
    EXPECT_EQ(root()->position, (Vec3{1, 2, 3}));  // the root camera keeps its fields
    EXPECT_TRUE(scene.loadList.empty());
    EXPECT_TRUE(scene.eventLists[5].empty());  // not declared by the new text: cleared anyway
    EXPECT_EQ(scene.eventLists[6].size(), 1u);

    // Exercise everything that could still point at the old objects.
    scene.runEvent(5);
    scene.runEvent(6);
    scene.update(FrameContext{});
    root()->applyLookAt();
    EXPECT_EQ(selectedObject, find("fresh"));
}

TEST_F(SceneReaderTest, AReloadAlsoForgetsPointersThatOtherScenesWereHanded) {
    // Scene "other" has an object that a list of this scene, run without a
    // Select, gave a look-at target and a scale vector of this scene.
    Scene head(run.stage);
    auto otherScene = std::make_unique<Scene>(run.stage);
    Scene* other = otherScene.get();
    head.appendScene(std::move(otherScene));
    auto mine = std::make_unique<Scene>(run.stage);
    Scene* self = mine.get();
    head.appendScene(std::move(mine));
    SceneObject* stranger = other->objects.add(std::make_unique<test::RecordingObject>("stranger"));

    self->activate();
    dir.write("path.crv", std::string(Curve::kRecordSize, '\0'));
    dir.write("a.qms",
              "on load\nnew camera target\nend new\non sync 1\nlookat target\nscale 3 3 3\ncurve path.crv\n");
    self->load("a.qms");
    selectedObject = stranger;
    self->runEvent(1);
    ASSERT_EQ(stranger->lookAtTarget, &self->objects.root->findByName("target")->position);
    ASSERT_NE(stranger->scale, nullptr);
    ASSERT_NE(stranger->curve, nullptr);

    dir.write("b.qms", "on load\n");
    self->load("b.qms");
    EXPECT_EQ(stranger->lookAtTarget, nullptr);
    EXPECT_EQ(stranger->scale, nullptr);
    ASSERT_EQ(self->curves.size(), 1u);  // the curve it follows stays with the scene
    EXPECT_EQ(stranger->curve, self->curves[0].get());
    other->update(FrameContext{});
    stranger->applyLookAt();
}

TEST_F(SceneReaderTest, AReloadKeepsOnlyTheCurvesThatRemainingObjectsFollow) {
    dir.write("path.crv", std::string(Curve::kRecordSize, '\0'));
    // The root camera follows the first curve; the object "a" (gone after a reload)
    // the second; the third belongs to no object.
    const char* text =
        "on load\nnew camera a\ncurve path.crv\nend new\nselect Camera\ncurve path.crv\n"
        "on sync 1\ncurve path.crv\n";
    read(text);
    ASSERT_EQ(scene.curves.size(), 3u);
    const Curve* followedByRoot = scene.curves[1].get();
    ASSERT_EQ(root()->curve, followedByRoot);

    read("on load\n");
    ASSERT_EQ(scene.curves.size(), 1u);
    EXPECT_EQ(scene.curves[0].get(), followedByRoot);
    scene.update(FrameContext{});  // the root camera still follows it

    // Reloaded over and over, the scene holds no more curves than one text reads.
    for (int i = 0; i < 50; ++i) read(text);
    EXPECT_LE(scene.curves.size(), 4u);
}

TEST_F(SceneReaderTest, TheFirstReadKeepsTheSelectionThatEarlierScenesLeft) {
    test::RecordingObject elsewhere("elsewhere");
    selectedObject = &elsewhere;
    read("on load\nposition 7 7 7\n");  // a load list without a Select acts on it
    EXPECT_EQ(elsewhere.position, (Vec3{7, 7, 7}));
}

TEST(ObjectFactoryTest, MakesANamedObjectOfAKnownKindAndNothingOfAnUnknownOne) {
    DemoRun run;
    std::unique_ptr<SceneObject> eye = run.factory.create("camera", "eye");
    ASSERT_NE(eye, nullptr);
    EXPECT_NE(dynamic_cast<Camera*>(eye.get()), nullptr);
    EXPECT_EQ(eye->name, "eye");  // the constructor's "Camera" is replaced
    EXPECT_EQ(eye->prev, nullptr);
    EXPECT_EQ(eye->firstChild, nullptr);

    for (const char* kind : {"Camera", "cube ", "", "camera2"}) {
        EXPECT_EQ(run.factory.create(kind, "x"), nullptr) << kind;
        EXPECT_FALSE(KindTable::knows(kind));
    }
    EXPECT_TRUE(KindTable::knows("camera"));
}

}  // namespace
}  // namespace qm
