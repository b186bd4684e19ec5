// The live tool's parts without a screen: its command line, the folder watch that notices saves, and the
// frame steps at which the song's scene changes fall.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "live/demo_files.h"
#include "live/file_watch.h"
#include "live/live_options.h"
#include "live/playlist_times.h"
#include "support/temp_dir.h"

namespace qm::live {
namespace {

ParseResult parse(std::vector<const char*> args, LiveOptions& options, std::string& error) {
    args.insert(args.begin(), "quillmoor-live");
    return parseLiveOptions(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(LiveOptions, ReadTimesScenesLoopsAndTheFolder) {
    LiveOptions o;
    std::string error;
    ASSERT_EQ(
        parse({"--start", "1:05.250", "--loop", "62", "1:10", "--fullscreen", "--mute", "--trace=-", "demo"},
              o, error),
        ParseResult::Run)
        << error;
    EXPECT_EQ(o.start, 65.25);
    EXPECT_EQ(o.loopFrom, 62.0);
    EXPECT_EQ(o.loopTo, 70.0);
    EXPECT_TRUE(o.fullScreen);
    EXPECT_TRUE(o.mute);
    EXPECT_EQ(o.traceFile, "-");
    EXPECT_EQ(o.dir, "demo");

    LiveOptions d;
    ASSERT_EQ(parse({"--scene=knot"}, d, error), ParseResult::Run) << error;
    EXPECT_EQ(d.scene, "knot");
    EXPECT_EQ(d.dir, ".");
    EXPECT_FALSE(d.start || d.loopFrom || d.fullScreen || d.mute);
    EXPECT_TRUE(d.traceFile.empty()) << "no trace unless asked for";

    LiveOptions n;
    ASSERT_EQ(parse({"--new", "mine"}, n, error), ParseResult::New) << error;
    EXPECT_EQ(n.newDir, "mine");

    EXPECT_EQ(parse({"--version"}, d, error), ParseResult::Version);
    EXPECT_EQ(parse({"-h"}, d, error), ParseResult::Help);
}

TEST(LiveOptions, UsageErrorsSayWhatIsWrong) {
    const struct {
        std::vector<const char*> args;
        const char* error;
    } cases[] = {
        {{"--start", "1:75"}, "--start wants a time in seconds or m:ss.mmm, not '1:75'"},
        {{"--start", "1:5"}, "--start wants a time in seconds or m:ss.mmm, not '1:5'"},
        {{"--start", "-2"}, "--start wants a time in seconds or m:ss.mmm, not '-2'"},
        {{"--start"}, "--start needs a value"},
        {{"--loop", "10"}, "--loop needs two values"},
        {{"--loop=10", "20"}, "--loop takes its 2 values as separate arguments"},
        {{"--loop", "20", "10"}, "--loop A B wants B later than A"},
        {{"--mute=1"}, "--mute takes no value"},
        {{"--scene="}, "--scene needs a value"},
        {{"--start", "3", "--scene", "knot"}, "--start and --scene both say where to start; give one"},
        {{"a", "b"}, "one demo folder only, not also 'b'"},
        {{"--new"}, "--new needs a value"},
        {{"--new", "mine", "--mute"}, "--new DIR writes a demo and plays nothing: give it alone"},
        {{"demo", "--new", "mine"}, "--new DIR writes a demo and plays nothing: give it alone"},
        {{"-x"}, "unknown option '-x'"},
    };
    for (const auto& c : cases) {
        LiveOptions o;
        std::string error;
        EXPECT_EQ(parse(c.args, o, error), ParseResult::UsageError) << c.error;
        EXPECT_EQ(error, c.error);
    }
}

TEST(LiveOptions, ClockTimes) {
    EXPECT_EQ(clockTime(0), "0:00.000");
    EXPECT_EQ(clockTime(65.25), "1:05.250");
    EXPECT_EQ(clockTime(599.9996), "10:00.000");
    EXPECT_EQ(parseClockTime("0:59.999"), 59.999);
    EXPECT_EQ(parseClockTime("2:00"), 120.0);
    EXPECT_FALSE(parseClockTime("1:60"));
    EXPECT_FALSE(parseClockTime("x"));
    EXPECT_FALSE(parseClockTime(""));
}

// Every report the watch gives within `seconds` of real time.
std::vector<std::vector<std::string>> reports(FileWatch& watch, double seconds) {
    using namespace std::chrono;
    std::vector<std::vector<std::string>> all;
    const auto start = steady_clock::now();
    for (;;) {
        const double now = duration<double>(steady_clock::now().time_since_epoch()).count();
        FileWatch::Changes changes = watch.poll(now);
        if (!changes.files.empty()) all.push_back(changes.files);
        if (duration<double>(steady_clock::now() - start).count() > seconds) return all;
        std::this_thread::sleep_for(milliseconds(10));
    }
}

using Reports = std::vector<std::vector<std::string>>;

// Each way an editor saves is one change of the file it saves; other files in the
// folder are not heard, and a file deleted for good is reported once it stays gone.
TEST(FileWatch, EachSaveIsOneChangeOfTheFileSaved) {
    test::TempDir dir;
    test::ScopedWorkingDirectory cwd(dir.path());
    dir.write("data/knot.qms", "one");
    dir.write("data/sky.png", "one");
    FileWatch watch;
    ASSERT_TRUE(watch.valid());
    watch.watch({"data/knot.qms", "data/sky.png", "data/new.crv"});
    const double quiet = FileWatch::kSettleSeconds + 0.3;

    dir.write("data/knot.qms", "written in place");
    EXPECT_EQ(reports(watch, quiet), (Reports{{"data/knot.qms"}}));

    dir.write("data/.sky.png.swp", "renamed over");
    std::filesystem::rename("data/.sky.png.swp", "data/sky.png");
    EXPECT_EQ(reports(watch, quiet), (Reports{{"data/sky.png"}}));

    std::filesystem::remove("data/knot.qms");
    EXPECT_EQ(reports(watch, quiet), Reports{}) << "reported while gone";
    dir.write("data/knot.qms", "written again");
    EXPECT_EQ(reports(watch, quiet), (Reports{{"data/knot.qms"}}));

    dir.write("data/other.qms", "not the demo's");
    dir.write("data/new.crv", "there now");
    EXPECT_EQ(reports(watch, quiet), (Reports{{"data/new.crv"}}));

    std::filesystem::remove("data/sky.png");
    EXPECT_EQ(reports(watch, FileWatch::kGoneSeconds + 0.5), (Reports{{"data/sky.png"}}));
}

check::SongEvent z(int64_t frame, uint8_t value = 0) {
    return {value, frame, 0, 0, 1};
}

// At 60 steps a second each step hears 735 more frames of the song: a value stamped at
// frame s is acted on in step s / 735 + 1 (integer division). Worked out by hand:
//   0 -> 1;  734 -> 1;  735 -> 2;  44099 -> 60;  44100 -> 61.
// A start's files are kept as first read until a checked save replaces them; a file
// read outside a start (one that only the F2 scene names) is neither watched nor
// checked, so it is read as it is on disk each time.
TEST(DemoFiles, KeepsWhatAStartReadsAndNothingElse) {
    const test::TempDir dir;
    const test::ScopedWorkingDirectory cwd(dir.path());
    dir.write("data/scene.qms", "one");
    dir.write("data/f2.crv", "one");
    DemoFiles files;
    std::string bytes;
    files.beginStart();
    ASSERT_TRUE(files.read("data\\scene.qms", bytes));
    files.endStart();
    ASSERT_TRUE(files.read("data\\f2.crv", bytes));
    EXPECT_EQ(bytes, "one");

    dir.write("data/scene.qms", "two");
    dir.write("data/f2.crv", "two");
    ASSERT_TRUE(files.read("data\\scene.qms", bytes));
    EXPECT_EQ(bytes, "one") << "unchecked bytes of a start's file";
    ASSERT_TRUE(files.read("data\\f2.crv", bytes));
    EXPECT_EQ(bytes, "two") << "the F2 scene's file as it was when first read";
    EXPECT_EQ(files.files(), std::vector<std::string>{"data/scene.qms"});
}

TEST(PlaylistTimes, EachEntryBeginsInTheStepThatHearsItsChange) {
    EXPECT_EQ(stepHearing(0, 60), 1);
    EXPECT_EQ(stepHearing(734, 60), 1);
    EXPECT_EQ(stepHearing(735, 60), 2);
    EXPECT_EQ(stepHearing(44099, 60), 60);
    EXPECT_EQ(stepHearing(44100, 60), 61);

    check::SongReading song;
    song.status = check::SongReading::Status::Read;
    // Two Z00 heard in one step are one change; other values change nothing.
    song.events = {z(100, 7), z(44100), z(44200), z(88200, 1), z(88200), z(132300)};
    const PlaylistTimes three = playlistTimes(song, 3, 60);
    EXPECT_EQ(three.entryFrames, (std::vector<long>{0, 61, 121}));
    EXPECT_EQ(three.endFrame, 181);
    // A playlist longer than the song's changes: the demo does not end.
    const PlaylistTimes five = playlistTimes(song, 5, 60);
    EXPECT_EQ(five.entryFrames, (std::vector<long>{0, 61, 121, 181}));
    EXPECT_EQ(five.endFrame, -1);

    // A song that loops every 2 s (88200 frames) to a pass with one Z00 at 1 s into the
    // loop: its changes come at 88200 + 44100 (step 181) and every 88200 after (120 steps).
    check::SongReading looping;
    looping.status = check::SongReading::Status::Read;
    looping.events = {z(44100)};
    looping.loops = true;
    looping.loopFrames = 88200;
    looping.loopEvents = {z(132300)};
    const PlaylistTimes loops = playlistTimes(looping, 4, 60);
    EXPECT_EQ(loops.entryFrames, (std::vector<long>{0, 61, 181, 301}));
    EXPECT_EQ(loops.endFrame, 421);
}

}  // namespace
}  // namespace qm::live
