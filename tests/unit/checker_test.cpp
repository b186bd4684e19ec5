// The script checker on small broken demo folders: each diagnostic at its file and line, the exit
// statuses, --werror, the sync cross-check and --timeline on songs made with the module writer.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "base/paths.h"
#include "check/checker.h"
#include "check/keyword_match.h"
#include "check/sync_check.h"
#include "music/music_player.h"
#include "objects/kinds.h"
#include "runtime/demo_run.h"
#include "runtime/sync_table.h"
#include "script/token_line.h"
#include "support/image_files.h"
#include "support/temp_dir.h"
#include "support/test_songs.h"

namespace qm::check {
namespace {

using test::TempDir;

const std::string kFixtures = std::string(QUILLMOOR_SOURCE_DIR) + "/tests/fixtures/images/";

std::string fixture(const std::string& name) {
    std::string bytes;
    EXPECT_TRUE(readWholeFile(kFixtures + name, bytes)) << name;
    return bytes;
}

std::string tinyBmp() {
    return test::makeBmp({.width = 1, .height = 1, .pixelData = test::bmp24Rows(1, 1, {200, 100, 50, 255})});
}

// A curve file: the segment count and as many zero keys as `keys`.
std::string curveFile(int32_t segments, int keys = 64) {
    return test::le32(static_cast<uint32_t>(segments)) + std::string(static_cast<size_t>(keys) * 40, '\0');
}

// An XM song of 16-row patterns (0.12 s a row), orders 0, 1 ..., with Zxx values at
// the given rows counted on through the orders (row 20 is order 1 row 4); two values
// on one row go to two channels. Past its last order it goes on at `restart`.
struct Mark {
    int row;
    uint8_t value;
};
std::string xmSong(const std::vector<Mark>& marks, int patterns = 1, int restart = 0) {
    modwrite::Song song = test::basicSong(3, patterns, 16);
    song.restartPosition = restart;
    std::vector<int> used(static_cast<size_t>(patterns) * 16, 0);
    for (const Mark& m : marks)
        test::putSync(song, m.row / 16, m.row % 16, 1 + used[static_cast<size_t>(m.row)]++, m.value);
    return test::writeSong(song, test::SongFormat::Xm);
}

// A four-channel ProTracker module: one pattern, one short sample.
std::string modSong() {
    std::string bytes(20, '\0');
    for (int s = 0; s < 31; ++s) {
        std::string header(30, '\0');
        if (s == 0) {
            header[22] = 0;
            header[23] = 16;  // length in words, big-endian
            header[25] = 64;  // volume
            header[29] = 1;   // loop length 1 word: no loop
        }
        bytes += header;
    }
    bytes += '\x01';  // song length
    bytes += '\x7f';
    bytes += std::string(128, '\0');
    bytes += "M.K.";
    std::string pattern(64 * 4 * 4, '\0');
    pattern[0] = 0x01;  // note period 0x1AC (C-3), sample 1
    pattern[1] = static_cast<char>(0xAC);
    pattern[2] = 0x10;
    bytes += pattern;
    for (int i = 0; i < 32; ++i) bytes += static_cast<char>(i % 2 ? 60 : -60);
    return bytes;
}

class CheckerTest : public ::testing::Test {
protected:
    struct Result {
        int status = -1;
        std::string out;
        std::vector<std::string> lines;  // the diagnostics, one per line

        bool has(const std::string& line) const {
            return std::find(lines.begin(), lines.end(), line) != lines.end();
        }
        std::string all() const {
            std::string text;
            for (const std::string& l : lines) text += l + "\n";
            return text;
        }
    };

    void write(std::string_view relative, std::string_view bytes) { dir_.write(relative, bytes); }

    // A demo whose song ends the one-scene playlist cleanly: the scene "s" is
    // data/s.qms, the materials name one good picture.
    void writeDemo(std::string_view scene) {
        write("data/materials.qms",
              "clouds,data\\clouds.bmp,GL_REPEAT,GL_REPEAT,GL_LINEAR,GL_LINEAR,1,1,1,1;\n");
        write("data/clouds.bmp", tinyBmp());
        write("data/song.xm", xmSong({{15, 0}}));
        write("data/globals.qms", "music on\nmusic file data\\song.xm\nnew scene data\\s.qms s\nscenes s\n");
        write("data/s.qms", scene);
    }

    Result check(CheckOptions options = {}) {
        options.dir = dir_.path().string();
        std::ostringstream out, diagnostics;
        Result r;
        r.status = runCheck(options, out, diagnostics);
        r.out = out.str();
        std::istringstream in(diagnostics.str());
        for (std::string line; std::getline(in, line);)
            if (line.rfind("quillmoor-check: ", 0) != 0) r.lines.push_back(line);
        return r;
    }

    TempDir dir_;
};

// ---------------------------------------------------------------- exit statuses

TEST_F(CheckerTest, CleanDemoPrintsNothingAndExitsZero) {
    writeDemo("on load\nnew camera eye\nposition 0 0 5\nend new\nselect eye\nrotating t\n");
    const Result r = check();
    EXPECT_EQ(r.status, kClean);
    EXPECT_TRUE(r.lines.empty()) << r.all();
}

TEST_F(CheckerTest, FolderWithoutGlobalsScriptIsNoDemo) {
    write("data/materials.qms", "");
    EXPECT_EQ(check().status, kNoDemo);
    CheckOptions missing;
    std::ostringstream out, err;
    missing.dir = (dir_.path() / "nowhere").string();
    EXPECT_EQ(runCheck(missing, out, err), kNoDemo);
}

TEST_F(CheckerTest, WarningsAloneExitZeroAndWerrorMakesThemErrors) {
    writeDemo("on load\nvisible f\n");
    const Result plain = check();
    EXPECT_EQ(plain.status, kClean);
    EXPECT_TRUE(
        plain.has("data/s.qms:2: warning: unknown keyword \"visible\"; the line is ignored (did you mean "
                  "\"visable\"?)"))
        << plain.all();

    const Result strict = check({.werror = true});
    EXPECT_EQ(strict.status, kFoundErrors);
    EXPECT_TRUE(
        strict.has("data/s.qms:2: error: unknown keyword \"visible\"; the line is ignored (did you mean "
                   "\"visable\"?)"))
        << strict.all();
}

TEST_F(CheckerTest, MissingFilesAreErrors) {
    writeDemo("on load\nselect Camera\ncurve data\\gone.crv\n");
    write("data/globals.qms",
          "music on\nmusic file data\\song.xm\nnew scene data\\s.qms s\n"
          "new scene data\\missing.qms m\nscenes s m\n");
    write("data/materials.qms",
          "clouds,data\\clouds.bmp,GL_REPEAT,GL_REPEAT,GL_LINEAR,GL_LINEAR,1,1,1,1;\n"
          "blue,data\\blue.png,GL_REPEAT,GL_REPEAT,GL_LINEAR,GL_LINEAR,1,1,1,1;\n");
    const Result r = check();
    EXPECT_EQ(r.status, kFoundErrors);
    EXPECT_TRUE(r.has("data/globals.qms:4: error: cannot open scene script \"data/missing.qms\"")) << r.all();
    EXPECT_TRUE(r.has("data/materials.qms:2: error: cannot open image \"data/blue.png\"")) << r.all();
    EXPECT_TRUE(r.has("data/s.qms:3: error: cannot open curve \"data/gone.crv\"")) << r.all();
}

TEST_F(CheckerTest, DiagnosticsAreSortedByFileAndLine) {
    writeDemo("on load\nspin 1 2 3\nvisible f\n");
    write("data/globals.qms",
          "musik on\nmusic on\nmusic file data\\song.xm\nnew scene data\\s.qms s\nscenes s\n");
    const Result r = check();
    ASSERT_EQ(r.lines.size(), 3u) << r.all();
    EXPECT_EQ(r.lines[0].rfind("data/globals.qms:1: warning: unknown keyword \"musik\"", 0), 0u);
    EXPECT_EQ(r.lines[1].rfind("data/s.qms:2: ", 0), 0u);
    EXPECT_EQ(r.lines[2].rfind("data/s.qms:3: ", 0), 0u);
}

TEST_F(CheckerTest, FilesAreNamedAsOnDiskAndMissingOnesAsWritten) {
    writeDemo("");
    write("data/Intro.qms", "on load\nvisible f\ncurve Data\\Gone.crv\n");
    // Two spellings of one file: its diagnostics are shown once, under its name on disk.
    write("data/globals.qms",
          "music on\nmusic file data\\song.xm\nnew scene DATA\\INTRO.QMS s\nnew scene data\\intro.qms t\n"
          "new scene Data\\Missing.qms m\nscenes s t m\n");
    const Result r = check();
    EXPECT_TRUE(
        r.has("data/Intro.qms:2: warning: unknown keyword \"visible\"; the line is ignored (did you mean "
              "\"visable\"?)"))
        << r.all();
    EXPECT_TRUE(r.has("data/Intro.qms:3: error: cannot open curve \"Data/Gone.crv\"")) << r.all();
    EXPECT_TRUE(r.has("data/globals.qms:5: error: cannot open scene script \"Data/Missing.qms\"")) << r.all();
    EXPECT_EQ(std::count_if(r.lines.begin(), r.lines.end(),
                            [](const std::string& l) { return l.rfind("data/Intro.qms:2: ", 0) == 0; }),
              1)
        << r.all();
}

// ---------------------------------------------------------------- scene scripts

struct SceneCase {
    const char* name;
    const char* script;
    const char* expected;  // one diagnostic line
};

void PrintTo(const SceneCase& c, std::ostream* os) {
    *os << c.name;
}

class SceneScriptDiagnostics : public CheckerTest, public ::testing::WithParamInterface<SceneCase> {};

TEST_P(SceneScriptDiagnostics, ReportsTheLineAndWhatThePlayerDoes) {
    writeDemo(GetParam().script);
    const Result r = check();
    EXPECT_TRUE(r.has(GetParam().expected)) << r.all();
    EXPECT_EQ(r.status, std::string(GetParam().expected).find(": error: ") != std::string::npos ? kFoundErrors
                                                                                                : kClean);
}

const SceneCase kSceneCases[] = {
    {"NearMissKeyword", "on load\nrotaton 0 1 0\n",
     "data/s.qms:2: warning: unknown keyword \"rotaton\"; the line is ignored (did you mean \"rotation\"?)"},
    {"KeywordInCapitals", "on load\nPosition 0 0 -5\n",
     "data/s.qms:2: warning: unknown keyword \"Position\"; the line is ignored (did you mean \"position\"?)"},
    {"LowerCaseWordWithValues", "on load\nspin 1 2 3\n",
     "data/s.qms:2: warning: unknown keyword \"spin\"; the line is ignored"},
    {"UnknownKindInAnotherCase", "on load\nnew Camera eye\nend new\n",
     "data/s.qms:2: warning: unknown object kind \"Camera\"; the block acts on the camera (did you mean "
     "\"camera\"?)"},
    {"UnknownObject", "on load\nselect boxx\n",
     "data/s.qms:2: warning: unknown object \"boxx\"; commands will act on the camera"},
    {"UnknownLookAtTarget", "on load\nnew camera eye\nend new\nlookat eey\n",
     "data/s.qms:4: warning: unknown object \"eey\"; the look-at target is the camera (did you mean "
     "\"eye\"?)"},
    {"ObjectSelectedBeforeItIsMade", "on sync 3\nselect eye\non load\nnew camera eye\nend new\n",
     "data/s.qms:2: warning: unknown object \"eye\" at this point (it is made later, on line 4); commands "
     "will "
     "act on the camera"},
    {"LoopingWithADigit", "on load\nlooping 1\n",
     "data/s.qms:2: warning: \"looping 1\" does nothing: looping takes only t or f"},
    {"SwitchValueNotUnderstood", "on load\nrotating yes\n",
     "data/s.qms:2: warning: switch value \"yes\" is not understood (it must start with 1, t, 0 or f); "
     "\"rotating\" does nothing"},
    {"EventOutOfRange", "on sync 300\nposition 1 2 3\n",
     "data/s.qms:1: warning: event number \"300\" is outside 0-255; the commands up to the next \"on\" line "
     "are "
     "dropped"},
    {"CommandAfterAnEventOutOfRange", "on sync 300\nposition 1 2 3\n",
     "data/s.qms:2: warning: \"position\" is dropped: the \"on\" line on line 1 chose no list"},
    {"EventInHexWithPrefix", "on sync 0x1F\nposition 1 2 3\n",
     "data/s.qms:1: warning: event number \"0x1F\" is read as 0: event numbers are decimal, so Z1F is \"on "
     "sync "
     "31\""},
    {"EventInHexDigits", "on sync 1F\nposition 1 2 3\n",
     "data/s.qms:1: warning: event number \"1F\" is read as 1: event numbers are decimal, so Z1F is \"on "
     "sync "
     "31\""},
    {"CommandBeforeTheFirstOn", "position 1 2 3\non load\n",
     "data/s.qms:1: warning: \"position\" before the first \"on\" line belongs to no list and is dropped"},
    {"LastLineWithoutLineEnd", "on load\nposition 1 2 3",
     "data/s.qms:2: warning: the last line has no line end and is ignored"},
    {"LineStartingWithCarriageReturn", "on load\n\rposition 1 2 3\n",
     "data/s.qms:2: warning: the line starts with a carriage return and is ignored"},
    {"LoadOutsideABlock", "on load\nload clouds\n",
     "data/s.qms:2: warning: \"load\" outside a \"new\" block does nothing"},
    {"EndNewOutsideABlock", "on load\nend new\n",
     "data/s.qms:2: warning: \"end new\" without an open \"new\" block does nothing"},
    {"UnclosedBlock", "on load\nnew camera eye\nposition 1 2 3\n",
     "data/s.qms:2: warning: the \"new\" block of \"eye\" is not closed by \"end new\""},
    {"ListDeclaredTwice", "on sync 3\nposition 1 2 3\non load\non sync 3\nposition 3 2 1\n",
     "data/s.qms:4: warning: \"on sync 3\" again (first on line 1); only the commands after this line remain "
     "in "
     "the list of event 3"},
    {"MissingValues", "on load\nposition 5\n",
     "data/s.qms:2: warning: \"position\" needs 3 values and has 1; the missing words repeat the line's own "
     "words"},
    {"NotANumber", "on load\njump abc\n", "data/s.qms:2: warning: \"abc\" is not a number and reads as 0"},
    {"UnknownEnd", "on load\nnew camera eye\nend\nend new\n",
     "data/s.qms:3: warning: \"end\" must be followed by \"new\"; the line does nothing"},
    {"MissingCurve", "on load\ncurve data\\gone.crv\n",
     "data/s.qms:2: error: cannot open curve \"data/gone.crv\""},
};

INSTANTIATE_TEST_SUITE_P(Checker, SceneScriptDiagnostics, ::testing::ValuesIn(kSceneCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CheckerTest, CommentLinesAreNotReported) {
    writeDemo(
        "# the intro\nCamera flies in over the hills\nnotes on the song\n-- 1 2 3\nthe end\non load\n"
        "// position 1 2 3\n");
    const Result r = check();
    EXPECT_TRUE(r.lines.empty()) << r.all();
}

TEST_F(CheckerTest, CurvesWithBadSegmentCountsNoBytesOrTooFewBytesAreErrors) {
    // A curve of n segments needs keys 0..n: 4 bytes of count, 40 a key, and of the
    // last key its three vectors (36 bytes): 120 bytes for two segments.
    const struct {
        const char* file;
        std::string bytes;
        const char* error;  // null: clean
    } curves[] = {
        {"many", curveFile(64), "has a segment count outside 0-63; nothing follows it"},
        {"below", curveFile(-1), "has a segment count outside 0-63; nothing follows it"},
        {"empty", "", "is empty; nothing follows it"},
        {"ok", curveFile(63), nullptr},
        {"cut", curveFile(12).substr(0, 100), "ends before the keys its segment count names"},
        {"short", curveFile(2).substr(0, 119), "ends before the keys its segment count names"},
        {"enough", curveFile(2).substr(0, 120), nullptr},
    };
    std::string script = "on load\n";
    for (const auto& c : curves) script += "curve data\\" + std::string(c.file) + ".crv\n";
    writeDemo(script);
    size_t errors = 0;
    for (size_t i = 0; i < std::size(curves); ++i) {
        write("data/" + std::string(curves[i].file) + ".crv", curves[i].bytes);
        errors += curves[i].error != nullptr;
    }
    const Result r = check();
    for (size_t i = 0; i < std::size(curves); ++i) {
        if (!curves[i].error) continue;
        const std::string line = "data/s.qms:" + std::to_string(i + 2) + ": error: curve \"data/" +
                                 curves[i].file + ".crv\" " + curves[i].error;
        EXPECT_TRUE(std::any_of(r.lines.begin(), r.lines.end(),
                                [&](const std::string& l) { return l.starts_with(line); }))
            << line << "\n"
            << r.all();
    }
    EXPECT_EQ(r.lines.size(), errors) << r.all();
}

// ---------------------------------------------------------------- the globals script

struct GlobalsCase {
    const char* name;
    const char* globals;
    const char* expected;
};

void PrintTo(const GlobalsCase& c, std::ostream* os) {
    *os << c.name;
}

class GlobalsDiagnostics : public CheckerTest, public ::testing::WithParamInterface<GlobalsCase> {};

TEST_P(GlobalsDiagnostics, ReportsTheLineAndWhatThePlayerDoes) {
    writeDemo("on load\n");
    write("data/globals.qms", GetParam().globals);
    const Result r = check();
    EXPECT_TRUE(r.has(GetParam().expected)) << r.all();
}

const GlobalsCase kGlobalsCases[] = {
    {"MusicFileBeforeMusicOn", "music file data\\song.xm\nmusic on\nnew scene data\\s.qms s\nscenes s\n",
     "data/globals.qms:1: warning: \"music file\" before any \"music on\" or \"music off\" loads nothing; no "
     "music "
     "plays"},
    {"LineStartingWithCarriageReturn",
     "music on\nmusic file data\\song.xm\nnew scene data\\s.qms s\n\rscenes s\nscenes s\n",
     "data/globals.qms:4: warning: the line starts with a carriage return and is skipped"},
    {"PlaylistNameNotFound", "music on\nmusic file data\\song.xm\nnew scene data\\s.qms intro\nscenes intr\n",
     "data/globals.qms:4: warning: no scene named \"intr\"; an empty scene plays in its place (did you mean "
     "\"intro\"?)"},
    {"PlaylistBeforeItsScene", "music on\nmusic file data\\song.xm\nscenes s\nnew scene data\\s.qms s\n",
     "data/globals.qms:3: warning: no scene named \"s\" at this point (it is made later, on line 4); an "
     "empty "
     "scene plays in its place"},
    {"SceneNotInThePlaylist",
     "music on\nmusic file data\\song.xm\nnew scene data\\s.qms s\nnew scene data\\s.qms t\nscenes s\n",
     "data/globals.qms:4: warning: scene \"t\" is not in the playlist"},
    {"LastLineWithoutLineEnd", "music on\nmusic file data\\song.xm\nnew scene data\\s.qms s\nscenes s",
     "data/globals.qms:4: warning: the last line has no line end and is ignored"},
    {"NearMissOfScenes", "music on\nmusic file data\\song.xm\nnew scene data\\s.qms s\nsceens s\nscenes s\n",
     "data/globals.qms:4: warning: unknown keyword \"sceens\"; the line is ignored (did you mean "
     "\"scenes\"?)"},
    {"UnknownMusicWord", "music of\nmusic on\nmusic file data\\song.xm\nnew scene data\\s.qms s\nscenes s\n",
     "data/globals.qms:1: warning: \"music\" must be followed by \"on\", \"off\" or \"file\"; the line is "
     "ignored "
     "(did you mean \"off\"?)"},
    {"SceneWithoutName", "music on\nmusic file data\\song.xm\nnew scene data\\s.qms\nscenes new\n",
     "data/globals.qms:3: warning: \"new scene\" without a scene name; the scene is named \"new\""},
    {"NoMusicFileLine", "new scene data\\s.qms s\nscenes s\n",
     "data/globals.qms: warning: no \"music file\" line: no song plays, so no sync events come"},
    {"MissingSong", "music on\nmusic file data\\nosong.xm\nnew scene data\\s.qms s\nscenes s\n",
     "data/globals.qms:2: error: cannot open song \"data/nosong.xm\""},
};

INSTANTIATE_TEST_SUITE_P(Checker, GlobalsDiagnostics, ::testing::ValuesIn(kGlobalsCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CheckerTest, ScenesLineOfMoreThan256WordsStopsTheReading) {
    writeDemo("on load\n");
    std::string names;
    for (int i = 0; i < 256; ++i) names += " s";
    write("data/globals.qms",
          "music on\nmusic file data\\song.xm\nnew scene data\\s.qms s\nscenes s\nscenes" + names +
              "\nnew scene data\\missing.qms m\n");
    const Result r = check();
    EXPECT_TRUE(
        r.has("data/globals.qms:5: warning: \"scenes\" line of 257 words, more than 256: the reading of the "
              "script stops here"))
        << r.all();
    // The scene after it is never read, so its missing script is no error.
    EXPECT_EQ(r.status, kClean);
}

TEST_F(CheckerTest, ModSongCannotCarrySync) {
    writeDemo("on load\n");
    write("data/song.mod", modSong());
    write("data/globals.qms", "music on\nmusic file data\\song.mod\nnew scene data\\s.qms s\nscenes s\n");
    const Result r = check();
    EXPECT_EQ(r.status, kFoundErrors);
    EXPECT_TRUE(
        r.has("data/globals.qms:2: error: song \"data/song.mod\" is a MOD module, which cannot carry Zxx "
              "sync marks: no sync events will come"))
        << r.all();
}

TEST_F(CheckerTest, ASongCutShortIsDamagedThoughTheModulePlayerOpensIt) {
    writeDemo("on load\n");
    const std::string song = xmSong({{15, 0}});
    const std::string cut = "data/globals.qms:2: warning: song \"data/song.xm\" is cut short: its ";
    const struct {
        size_t bytes;
        bool damaged;
    } cases[] = {{song.size(), false}, {song.size() - 1, true}, {song.size() / 2, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        write("data/song.xm", song.substr(0, c.bytes));
        const Result r = check();
        EXPECT_EQ(r.status, kClean) << r.all();
        const bool said = std::any_of(r.lines.begin(), r.lines.end(), [&](const std::string& l) {
            return l.starts_with(cut + std::to_string(c.bytes) +
                                 " bytes end before what its headers describe");
        });
        EXPECT_EQ(said, c.damaged) << r.all();
    }
}

// The live tool checks the same demo after every save: a cached song is decoded
// again once its bytes change, so each check reports what the files hold then.
TEST_F(CheckerTest, ACachedSongIsReadAgainOnceItChanges) {
    writeDemo("on load\n");
    SongCache songs;
    CheckOptions options;
    options.songs = &songs;
    const std::string clean;
    const std::string noSync =
        "data/globals.qms:2: warning: song \"data/song.xm\" plays no Zxx sync marks: no sync events will "
        "come";
    const std::string missing = "data/globals.qms:2: error: cannot open song \"data/song.xm\"";
    struct Step {
        std::string song;  // empty: no file
        std::string expected;
    };
    for (const Step& step : {Step{xmSong({{15, 0}}), clean}, Step{xmSong({}), noSync},
                             Step{xmSong({}), noSync}, Step{"", missing}, Step{xmSong({{15, 0}}), clean}}) {
        std::filesystem::remove(dir_.path() / "data" / "song.xm");
        if (!step.song.empty()) write("data/song.xm", step.song);
        const Result r = check(options);
        if (step.expected.empty())
            EXPECT_TRUE(r.lines.empty()) << r.all();
        else
            EXPECT_TRUE(r.has(step.expected)) << r.all();
        EXPECT_EQ(r.status, step.expected == missing ? kFoundErrors : kClean) << r.all();
    }
}

// ---------------------------------------------------------------- the materials script

TEST_F(CheckerTest, MaterialsScriptFields) {
    writeDemo("on load\n");
    write("data/materials.qms",
          "clouds,data\\clouds.bmp,GL_REPEAT, GL_REPEAT,GL_LINEAR,GL_LINEAR,1,1,1,1;\n"
          "short,data\\clouds.bmp,GL_REPEAT;\n"
          "typo,data\\clouds.bmp,GL_REPAET,GL_REPEAT,GL_LINEAR,GL_LINEAR,1,x,1,1;\n");
    const Result r = check();
    EXPECT_TRUE(
        r.has("data/materials.qms:1: warning: blanks around the wrap mode \" GL_REPEAT\" make it unknown; "
              "the one stored last is used"))
        << r.all();
    EXPECT_TRUE(
        r.has("data/materials.qms:2: warning: record cut short: \";\" ends it after 3 of its ten fields; the "
              "fields not reached keep their defaults"));
    EXPECT_TRUE(
        r.has("data/materials.qms:3: warning: \"GL_REPAET\" is not a wrap mode; the one stored last is used "
              "(did you mean \"GL_REPEAT\"?)"));
    EXPECT_TRUE(r.has("data/materials.qms:3: warning: colour field \"x\" is not a number and reads as 0"));
    EXPECT_EQ(r.lines.size(), 4u) << r.all();
}

TEST_F(CheckerTest, MaterialsScriptBeyondTheRecordLimitSaysWhereReadingStopped) {
    writeDemo("on load\n");
    std::string text;
    for (int i = 0; i < 65536; ++i)
        text += "m,data\\clouds.bmp,GL_REPEAT,GL_REPEAT,GL_LINEAR,GL_LINEAR,1,1,1,1;\n";
    write("data/materials.qms", text + "never,read;\n");
    const Result r = check();
    EXPECT_TRUE(
        r.has("data/materials.qms:65536: warning: only the first 65536 records are read; the rest of the "
              "script is ignored"))
        << r.all().substr(0, 2000);
    EXPECT_EQ(r.lines.size(), 1u) << "the record after the limit is not read";
}

struct ImageCase {
    const char* name;
    const char* file;
    std::string bytes;
    const char* expected;  // the one diagnostic, or "" for none
};

void PrintTo(const ImageCase& c, std::ostream* os) {
    *os << c.name;
}

class ImageMessages : public CheckerTest, public ::testing::WithParamInterface<ImageCase> {};

TEST_P(ImageMessages, SayWhyAPictureIsRefusedOrDrawnOtherwise) {
    writeDemo("on load\n");
    write(std::string("data/") + GetParam().file, GetParam().bytes);
    write("data/materials.qms", std::string("clouds,data\\") + GetParam().file +
                                    ",GL_REPEAT,GL_REPEAT,GL_LINEAR,GL_LINEAR,1,1,1,1;\n");
    const Result r = check();
    const std::string expected = GetParam().expected;
    EXPECT_EQ(r.all(), expected.empty() ? "" : "data/materials.qms:1: " + expected + "\n");
    EXPECT_EQ(r.status, expected.rfind("error", 0) == 0 ? kFoundErrors : kClean) << r.all();
}

INSTANTIATE_TEST_SUITE_P(
    Checker, ImageMessages,
    ::testing::Values(
        ImageCase{
            "RunLengthBmp", "rle.bmp", fixture("bmp_rle8_im.bmp"),
            "error: image \"data/rle.bmp\" is run-length encoded (8 bits per pixel); the BMP reader takes "
            "uncompressed and bit-field pixels only"},
        ImageCase{
            "Os2Bmp", "os2.bmp", fixture("bmp_os2_im.bmp"),
            "error: image \"data/os2.bmp\" has the 12-byte OS/2 header; the BMP reader takes headers of 40 "
            "bytes or more"},
        ImageCase{
            "OneBitBmp", "mono.bmp", fixture("bmp1_netpbm.bmp"),
            "error: image \"data/mono.bmp\" is a BMP of 1 bit per pixel; the BMP reader takes 4, 8, 16, 24 "
            "or 32"},
        ImageCase{"TopDownBmp", "down.bmp", test::bmpTopDown(fixture("bmp24_im.bmp")), ""},
        ImageCase{"ColoursPastTheTable", "short.bmp",
                  test::makeBmp({.width = 4,
                                 .bitsPerPixel = 8,
                                 .extra = std::string(8, '\x40'),
                                 .pixelData = std::string{0, 1, 2, 1}}),
                  "warning: image \"data/short.bmp\" uses colour indexes past the 2 colours its colour table "
                  "holds; "
                  "those pixels draw black"},
        ImageCase{"SixteenBitPng", "deep.png", fixture("png_rgb16_im.png"), ""},
        ImageCase{
            "RunLengthTga", "rle.tga", fixture("tga_rle_im.tga"),
            "error: image \"data/rle.tga\" is a run-length encoded true-colour TGA (image type 10); the TGA "
            "reader takes uncompressed true colour only"},
        ImageCase{
            "SixteenBitTga", "deep.tga", test::makeTga(2, 1, 1, 16, "ab"),
            "error: image \"data/deep.tga\" is a TGA of 16 bits per pixel; the TGA reader takes 24 or 32"},
        ImageCase{
            "TopOriginTga", "top.tga", fixture("tga24_comment_topleft_im.tga"),
            "warning: image \"data/top.tga\" has its origin at the top: it is drawn the other way up from "
            "the same picture saved as a BMP or as a TGA with its origin at the bottom"},
        ImageCase{"BottomOriginTga", "bottom.tga", fixture("tga24_comment_im.tga"), ""}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- "load" words of the kinds

TEST_F(CheckerTest, ModelsThatCannotBeReadAreErrors) {
    writeDemo(
        "on load\nnew stdmodel a\nload data\\gone.md3,clouds\nend new\n"
        "new stdmodel b\nload data\\text.md3,clouds\nend new\n");
    write("data/text.md3", "not a model at all");
    const Result r = check();
    EXPECT_EQ(r.status, kFoundErrors);
    EXPECT_TRUE(r.has("data/s.qms:3: error: model \"data/gone.md3\": cannot be opened")) << r.all();
    EXPECT_TRUE(r.has("data/s.qms:6: error: model \"data/text.md3\": not an MD3 file of version 15"))
        << r.all();
}

TEST_F(CheckerTest, MaterialNamesThatFallBackToTheFirstMaterial) {
    // A model takes "blue" until its "load" line names a material; only "clouds" exists.
    writeDemo(
        "on load\nnew stdmodel a\nend new\nnew stdmodel b\nload data\\m.md3,clouds\nend new\n"
        "new stdmodel c\nload data\\m.md3,cloud\nend new\n");
    write("data/m.md3", "");
    const Result r = check();
    EXPECT_TRUE(
        r.has("data/s.qms:2: warning: no material \"blue\" for the stdmodel's default, and no \"load\" line "
              "names one; the first material \"clouds\" is used instead"))
        << r.all();
    EXPECT_TRUE(
        r.has("data/s.qms:8: warning: no material \"cloud\"; the first material \"clouds\" is used instead"))
        << r.all();
    EXPECT_EQ(std::count_if(r.lines.begin(), r.lines.end(),
                            [](const std::string& l) { return l.find("no material") != std::string::npos; }),
              2)
        << r.all();
}

struct LoadWordCase {
    const char* name;
    const char* kind;
    const char* word;
    const char* expected;  // the diagnostic at line 3, or "" for none
};

void PrintTo(const LoadWordCase& c, std::ostream* os) {
    *os << c.name;
}

class LoadWords : public CheckerTest, public ::testing::WithParamInterface<LoadWordCase> {};

TEST_P(LoadWords, OfTheKindsThatSplitThem) {
    const LoadWordCase& c = GetParam();
    if (!KindTable::knows(c.kind)) GTEST_SKIP() << "no kind " << c.kind << " yet";
    writeDemo(std::string("on load\nnew ") + c.kind + " x\nload " + c.word + "\nend new\n");
    write("data/fontv3-1.png", fixture("png_rgba_im.png"));
    write("data/fontv3-2.png", fixture("png_rgba_im.png"));
    const Result r = check();
    if (std::string(c.expected).empty())
        EXPECT_TRUE(r.lines.empty()) << r.all();
    else
        EXPECT_TRUE(r.has(std::string("data/s.qms:3: warning: ") + c.expected)) << r.all();
}

INSTANTIATE_TEST_SUITE_P(
    Checker, LoadWords,
    ::testing::Values(
        LoadWordCase{"TenSymbols", "symbols",
                     "clouds,clouds,clouds,clouds,clouds,clouds,clouds,clouds,clouds,clouds", ""},
        LoadWordCase{"ElevenSymbols", "symbols",
                     "clouds,clouds,clouds,clouds,clouds,clouds,clouds,clouds,clouds,clouds,clouds",
                     "symbols show at most ten pictures; this \"load\" word names 11"},
        LoadWordCase{"FogEnd", "fog", "end", ""},
        LoadWordCase{"FogEightItems", "fog", "start,0.5,0.5,0.5,1,0.02,10,100", ""},
        LoadWordCase{
            "FogSevenItems", "fog", "start,0.5,0.5,0.5,1,0.02,10",
            "a fog \"load\" word is \"end\" or eight items (start, red, green, blue, alpha, density, start "
            "and end distance); these 7 items change nothing"},
        LoadWordCase{
            "FogTwoItems", "fog", "start,1",
            "a fog \"load\" word is \"end\" or eight items (start, red, green, blue, alpha, density, start "
            "and end distance); these 2 items change nothing"},
        LoadWordCase{"FogEndWithMore", "fog", "end,1", "the fog items after \"end\" are ignored"},
        LoadWordCase{"TextTheFontDraws", "text", "\"hello there.{|}~,1,1,1,1\"", ""},
        LoadWordCase{
            "TextTheFontCannotDraw", "text", "\"Hello 2U,1,1,1,1\"",
            "the font has no glyphs for \"H2U\" (it draws a-z, blanks and { | } ~; a full stop starts a "
            "new line)"},
        LoadWordCase{
            "CubeWithTwoNames", "cube", "clouds,clouds",
            "no material \"clouds,clouds\"; the first material \"clouds\" is used instead (a cube takes "
            "one material name, commas included)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CheckerTest, MissingFontPagesAreErrorsAtTheFirstTextObject) {
    if (!KindTable::knows("text")) GTEST_SKIP() << "no kind text yet";
    writeDemo("on load\nnew text a\nend new\nnew text b\nend new\n");
    write("data/fontv3-2.png", fixture("bmp24_im.bmp"));
    const Result r = check();
    EXPECT_TRUE(r.has("data/s.qms:2: error: font page: cannot open image \"data/fontv3-1.png\"")) << r.all();
    EXPECT_TRUE(r.has(
        "data/s.qms:2: error: font page: cannot read image \"data/fontv3-2.png\": not a file of this format"))
        << r.all();
    EXPECT_EQ(r.lines.size(), 2u) << r.all();
}

// ---------------------------------------------------------------- sync against the song

TEST_F(CheckerTest, ValuesNoSceneAnswersAndEventsTheSongNeverFires) {
    writeDemo("on load\non sync 7\nposition 1 2 3\non sync 9\nposition 3 2 1\n");
    write("data/song.xm", xmSong({{2, 7}, {4, 0x1F}, {6, 0x1F}, {15, 0}}));
    const Result r = check();
    EXPECT_TRUE(
        r.has("data/s.qms: warning: the song plays Z1F (event 31) at 0:00.479 (order 0, row 4) and 1 more "
              "time while scene \"s\" plays, which has no \"on sync 31\""))
        << r.all();
    EXPECT_TRUE(
        r.has("data/s.qms:4: warning: event 9 is never fired while scene \"s\" plays: the song has no Z09 "
              "then"));
    EXPECT_EQ(r.lines.size(), 2u) << r.all();
}

// The player plays the song on where it loops, so the demo may end in a later pass;
// it never ends when the loop skips every Z00. Only the first pass counts changes
// left after the end. Scenes s and t; the playlist on line 5.
struct SceneChangeCase {
    const char* name;
    std::vector<Mark> marks;
    int patterns;
    int restart;
    const char* playlist;
    const char* diagnostic;  // the only one, or "" for none
    const char* loopLine;    // the timeline's last line
};

void PrintTo(const SceneChangeCase& c, std::ostream* os) {
    *os << c.name;
}

class SceneChanges : public CheckerTest, public ::testing::WithParamInterface<SceneChangeCase> {};

TEST_P(SceneChanges, EndTheDemoOrNotThroughTheSongsLoops) {
    const SceneChangeCase& c = GetParam();
    writeDemo("on load\n");
    write("data/globals.qms", std::string("music on\nmusic file data\\song.xm\nnew scene data\\s.qms s\n"
                                          "new scene data\\s.qms t\nscenes ") +
                                  c.playlist + "\n");
    write("data/song.xm", xmSong(c.marks, c.patterns, c.restart));
    const Result r = check({.timeline = true});
    if (std::string(c.diagnostic).empty())
        EXPECT_TRUE(r.lines.empty()) << r.all();
    else
        EXPECT_EQ(r.all(), std::string(c.diagnostic) + "\n");
    const size_t lastLine = r.out.rfind('\n', r.out.size() - 2);
    EXPECT_EQ(r.out.substr(lastLine + 1), std::string(c.loopLine) + "\n") << r.out;
}

// clang-format off
const SceneChangeCase kSceneChangeCases[] = {
    {"TwoChangesAPassEndFourEntriesInTheSecondPass", {{4, 0}, {12, 0}}, 1, 0, "s t s t", "",
     "song loops at 0:01.920 to order 0 row 0; the demo ends in pass 2, at 0:03.360 (order 0, row 12)"},
    {"OneChangeAPassEndsThreeEntriesInTheThirdPass", {{8, 0}}, 1, 0, "s t s", "",
     "song loops at 0:01.920 to order 0 row 0; the demo ends in pass 3, at 0:04.799 (order 0, row 8)"},
    {"LoopPastTheOnlyChangeNeverEnds", {{8, 0}}, 2, 1, "s t s",
     "data/globals.qms:5: warning: the song changes scene 1 time (Z00) and the playlist has 3 entries: "
     "the demo does not end by itself; it stays on scene \"t\": the song loops at 0:03.840 to order 1 row 0 "
     "and plays no Z00 from there on, and 1 playlist entry is never reached",
     "song loops at 0:03.840 to order 1 row 0"},
    {"LoopPastTheChangesOfOrderZeroEndsLater", {{8, 0}, {24, 0}}, 2, 1, "s t s t", "",
     "song loops at 0:03.840 to order 1 row 0; the demo ends in pass 3, at 0:06.719 (order 1, row 8)"},
    {"TooManyInTheFirstPassEndEarly", {{2, 0}, {4, 0}, {8, 0}, {12, 0}}, 1, 0, "s t",
     "data/globals.qms:5: warning: the song changes scene 4 times (Z00) and the playlist has 2 entries: "
     "the demo ends early, at 0:00.479 (order 0, row 4), and the song asks for 2 more changes after that",
     "song loops at 0:01.920 to order 0 row 0"},
    {"TwoOnOneRowAreOne", {{4, 0}, {4, 0}, {12, 0}}, 1, 0, "s t", "",
     "song loops at 0:01.920 to order 0 row 0"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Checker, SceneChanges, ::testing::ValuesIn(kSceneChangeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CheckerTest, TimelineListsTheSyncInTimeOrder) {
    write("data/materials.qms", "");
    write("data/song.xm", xmSong({{0, 7}, {8, 0}, {8, 1}, {12, 9}, {15, 0}}));
    write(
        "data/globals.qms",
        "music on\nmusic file data\\song.xm\nnew scene data\\a.qms a\nnew scene data\\b.qms b\nscenes a b\n");
    write("data/a.qms", "on sync 7\nselect Camera\nposition 0 0 1\n");
    write("data/b.qms", "on sync 9\nposition 1 2 3\n");
    const Result r = check({.timeline = true});
    EXPECT_EQ(r.status, kClean);
    EXPECT_TRUE(r.lines.empty()) << r.all();
    const std::string expected =
        "time      order/row  value scene  what happens\n"
        "0:00.000  0/0        Z07   a      event 7: 2 commands\n"
        "0:00.959  0/8        Z00   a      next scene: b; no event 0\n"
        "0:00.959  0/8        Z01   a      white flash (0.2 s); no event 1\n"
        "0:01.440  0/12       Z09   b      event 9: 1 command\n"
        "0:01.800  0/15       Z00   b      the demo ends; no event 0\n"
        "song loops at 0:01.920 to order 0 row 0\n";
    EXPECT_EQ(r.out.rfind("song data/song.xm: 0:01.9", 0), 0u) << r.out;
    EXPECT_NE(r.out.find(", tempo 125, beat unit 0.260 s, 5 sync values\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(expected), std::string::npos) << r.out;
}

// The checker's timeline and the live tool's display describe every value of the sync
// table in the table's own words: a label or a fade length changed there changes both.
TEST_F(CheckerTest, TheTimelineAndTheLiveDisplaySayWhatTheSyncTableSays) {
    std::vector<Mark> marks;
    int row = 0;
    for (const SyncValue& v : kSyncValues)
        if (!v.nextScene) marks.push_back({row++, static_cast<uint8_t>(v.value)});
    marks.push_back({row, 0});  // the scene change last, so that one scene hears them all
    write("data/materials.qms", "");
    write("data/song.xm", xmSong(marks));
    write(
        "data/globals.qms",
        "music on\nmusic file data\\song.xm\nnew scene data\\a.qms a\nnew scene data\\b.qms b\nscenes a b\n");
    write("data/a.qms", "on load\n");
    write("data/b.qms", "on load\n");
    const Result r = check({.timeline = true});
    const double beatUnit = 125 * static_cast<double>(MusicPlayer::kBeatUnitPerTempo);  // the song's tempo

    test::ScopedWorkingDirectory cwd(dir_.path());
    DemoRun run(RunSettings{.uploadTextures = false});
    run.music.setOfflineOutput(true);
    ASSERT_TRUE(run.demo.load("data\\globals.qms"));
    for (const SyncValue& v : kSyncValues) {
        SCOPED_TRACE(syncValueName(v.value));
        const size_t line = r.out.find(syncValueName(v.value) + "   a ");
        ASSERT_NE(line, std::string::npos) << r.out;
        const std::string said = r.out.substr(line, r.out.find('\n', line) - line);
        const std::string display = describeSyncValue(run.demo, v.value);
        if (v.nextScene) {
            EXPECT_NE(said.find("next scene: b"), std::string::npos) << said;
            EXPECT_EQ(display, "next scene b");
            continue;
        }
        EXPECT_NE(said.find(v.label), std::string::npos) << said;
        EXPECT_EQ(display, v.label);
        const OverlayEffect& effect = kOverlayEffects.at(static_cast<size_t>(v.overlayEffect));
        char length[64];
        if (effect.beatUnits == 0)
            std::snprintf(length, sizeof length, "(%g s)", kFlashSeconds);
        else
            std::snprintf(length, sizeof length, "over %g units (%.3f s)", effect.beatUnits,
                          effect.beatUnits * beatUnit);
        EXPECT_NE(said.find(length), std::string::npos) << said << " lacks " << length;
    }
}

// ---------------------------------------------------------------- the rule for comment lines

TEST(LooksLikeCommand, NearMissesAndValuesAreCommandsProseIsNot) {
    const std::vector<std::string_view> keywords = {"visable", "position", "rotation", "on", "new"};
    const struct {
        const char* line;
        bool command;
    } cases[] = {
        {"visible f", true},
        {"positon 1 2 3", true},
        {"Position 0 0 -5", true},
        {"spin 1 2 3", true},
        {"curv data\\a.crv", true},
        {"the end", false},
        {"Position the camera", false},
        {"# visible f", false},
        {"one more thing", false},
        {"part", false},
        {"ne scene", false},
    };
    for (const auto& c : cases) {
        TokenLine words;
        words.splitWords(c.line);
        EXPECT_EQ(looksLikeCommand(words, keywords), c.command) << c.line;
    }
}

TEST(EditDistance, CountsSwapsAsOneEdit) {
    EXPECT_EQ(editDistance("sceens", "scenes"), 1);
    EXPECT_EQ(editDistance("visible", "visable"), 1);
    EXPECT_EQ(editDistance("rotaton", "rotation"), 1);
    EXPECT_EQ(editDistance("Cube", "cube"), 0);
    EXPECT_EQ(editDistance("", "abc"), 3);
    EXPECT_EQ(closestMatch("GL_REPAET", {"GL_REPEAT", "GL_CLAMP"}), "GL_REPEAT");
    EXPECT_EQ(closestMatch("xyz", {"cube", "point"}), "");
}

}  // namespace
}  // namespace qm::check
