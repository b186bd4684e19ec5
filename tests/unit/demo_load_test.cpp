// The globals script: its exact trace, the scenes it creates and the playlist it builds.
#include <gtest/gtest.h>

#include <string>

#include "runtime/demo_run.h"
#include "support/temp_dir.h"
#include "support/trace_capture.h"

namespace qm {
namespace {

class DemoLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.write("data/a.qms", "on load\nnew camera thing\nload hello\nend new\n");
        dir.write("data/b.qms", "on load\n");
        fresh();
    }

    // A new run, whose trace the test reads.
    void fresh() {
        trace.reset();
        run = std::make_unique<DemoRun>();
        run->music.setOfflineOutput(true);  // no sound device in tests
        trace = std::make_unique<test::TraceCapture>(run->trace);
    }
    bool load(std::string_view globals) {
        dir.write("data/globals.qms", globals);
        return run->demo.load("data\\globals.qms");
    }
    Scene* scene(const char* name) { return run->demo.sceneChain.findByName(name); }
    SceneObject* sceneRoot() const { return run->stage.root; }

    test::TempDir dir;
    test::ScopedWorkingDirectory cwd{dir.path()};
    std::unique_ptr<DemoRun> run;
    std::unique_ptr<test::TraceCapture> trace;
};

TEST_F(DemoLoadTest, EchoesEveryLineTrimmedBetweenQuotesExceptThoseStartingWithCR) {
    ASSERT_TRUE(
        load("music on\n"
             "\r\n"
             "\n"
             "   new scene data\\a.qms a  \t\n"
             "\tcomment line   \n"
             "scenes a\r\n"
             "last line without an end"));
    EXPECT_EQ(trace->text(),
              "\"music on\"\n"
              "\"\"\n"
              "\"new scene data\\a.qms a  \t\"\n"  // a trailing TAB is kept
              "hello\n"                            // the scene script's "load" line
              "\"comment line\"\n"
              "\"scenes a\r\"\n");  // and so is a CR
    EXPECT_EQ(run->demo.playlist[0], scene("a"));
}

TEST_F(DemoLoadTest, ALongLineArrivesAsSeveralLinesOf1022Characters) {
    const std::string x(1022, 'x');
    ASSERT_TRUE(load(x + "yy\n" + x + "\n"));
    // The second line fills a whole read; its line end then reads as an empty line.
    EXPECT_EQ(trace->text(), "\"" + x + "\"\n\"yy\"\n\"" + x + "\"\n\"\"\n");
}

TEST_F(DemoLoadTest, BuildsThePlaylistFromTheChainInAnyOrderWithRepeats) {
    ASSERT_TRUE(
        load("new scene data\\a.qms a\n"
             "new scene data\\b.qms b\n"
             "scenes b a b missing\n"));
    Scene* a = scene("a");
    Scene* b = scene("b");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(run->demo.sceneChain.next.get(), a);  // chained in the order of their lines
    EXPECT_EQ(a->next.get(), b);
    // A name that no scene bears plays the empty chain head in its place.
    EXPECT_EQ(run->demo.playlist[0], b);
    EXPECT_EQ(run->demo.playlist[1], a);
    EXPECT_EQ(run->demo.playlist[2], b);
    EXPECT_EQ(run->demo.playlist[3], &run->demo.sceneChain);
    EXPECT_EQ(run->demo.playlist[4], nullptr);
    EXPECT_EQ(run->demo.current, b);
    EXPECT_EQ(run->demo.playIndex, 0);
    EXPECT_EQ(sceneRoot(), b->objects.root.get());
    // The scene's objects were made while it was the active scene.
    EXPECT_NE(a->objects.root->findByName("thing"), nullptr);
}

TEST_F(DemoLoadTest, ASceneWithoutANameIsNamedNew) {
    ASSERT_TRUE(load("new scene data\\a.qms\nscenes new\n"));
    ASSERT_NE(scene("new"), nullptr);
    EXPECT_EQ(run->demo.current, scene("new"));
}

TEST_F(DemoLoadTest, AScenesLineOf256WordsIsAcceptedAnd257EndTheReading) {
    std::string names255;
    for (int i = 0; i < 255; ++i) names255 += " a";
    ASSERT_TRUE(load("new scene data\\a.qms a\nscenes" + names255 + "\n"));
    EXPECT_EQ(run->demo.playlist[254], scene("a"));
    EXPECT_EQ(run->demo.playlist[255], nullptr);

    fresh();
    ASSERT_TRUE(
        load("new scene data\\a.qms a\n"
             "scenes a a\n"
             "scenes" +
             names255 +
             " a\n"
             "new scene data\\b.qms b\n"
             "scenes b\n"));
    EXPECT_EQ(scene("b"), nullptr);  // nothing after the long line is read
    EXPECT_EQ(run->demo.playlist[1], scene("a"));
    EXPECT_EQ(run->demo.playlist[2], nullptr);  // the earlier playlist stays
}

TEST_F(DemoLoadTest, ALaterScenesLineReplacesTheWholePlaylist) {
    ASSERT_TRUE(load("new scene data\\a.qms a\nnew scene data\\b.qms b\nscenes a b a b\nscenes b\n"));
    EXPECT_EQ(run->demo.playlist[0], scene("b"));
    for (int i = 1; i < Demo::kPlaylistSize; ++i) EXPECT_EQ(run->demo.playlist[i], nullptr) << i;
}

TEST_F(DemoLoadTest, WithoutAPlaylistTheEmptyChainHeadPlays) {
    // The final line has no line end, so it is never read.
    ASSERT_TRUE(load("new scene data\\a.qms a\nscenes a"));
    EXPECT_EQ(run->demo.playlist[0], nullptr);
    EXPECT_EQ(run->demo.current, &run->demo.sceneChain);
    EXPECT_EQ(sceneRoot(), run->demo.sceneChain.objects.root.get());
    fresh();
    ASSERT_TRUE(load("new scene data\\a.qms a\nscenes\n"));
    EXPECT_EQ(run->demo.current, &run->demo.sceneChain);
}

TEST_F(DemoLoadTest, AGlobalsScriptThatCannotBeOpenedChangesNothing) {
    EXPECT_FALSE(run->demo.load("data\\nothing.qms"));
    EXPECT_EQ(run->demo.current, nullptr);
    EXPECT_EQ(run->demo.sceneChain.next, nullptr);
    EXPECT_EQ(trace->text(), "");
}

}  // namespace
}  // namespace qm
