// Script paths: backslashes and case-insensitive resolution, component by component; the read hook.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "base/paths.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

TEST(ResolvePath, MapsBackslashesAndMatchesEachComponentIgnoringCase) {
    test::TempDir dir;
    test::ScopedWorkingDirectory cwd(dir.path());
    dir.write("Data/Scenes/Intro.QMS", "x");
    dir.write("data2/exact.qms", "y");

    EXPECT_EQ(resolvePath("data2\\exact.qms"), "data2/exact.qms");
    EXPECT_EQ(resolvePath("data\\scenes\\intro.qms"), "Data/Scenes/Intro.QMS");
    EXPECT_EQ(resolvePath("DATA/SCENES/INTRO.qms"), "Data/Scenes/Intro.QMS");
    EXPECT_EQ(resolvePath("./data\\scenes\\intro.qms"), "./Data/Scenes/Intro.QMS");
    // Nothing matches: the mapped path comes back and simply fails to open.
    EXPECT_EQ(resolvePath("data\\missing.qms"), "data/missing.qms");
    EXPECT_FALSE(openFile("data\\missing.qms", "rb"));
    std::string bytes;
    ASSERT_TRUE(readWholeFile("DATA\\scenes\\INTRO.qms", bytes));
    EXPECT_EQ(bytes, "x");
}

TEST(ResolvePath, PrefersTheExactNameWhenTwoDifferOnlyInCase) {
    test::TempDir dir;
    test::ScopedWorkingDirectory cwd(dir.path());
    dir.write("a/Wall.bmp", "upper");
    dir.write("a/wall.bmp", "lower");
    dir.write("a/other.png", "o");
    EXPECT_EQ(resolvePath("a\\wall.bmp"), "a/wall.bmp");
    EXPECT_EQ(resolvePath("A\\Wall.bmp"), "a/Wall.bmp");
    EXPECT_EQ(resolvePath("A\\OTHER.PNG"), "a/other.png");
}

TEST(ResolvePath, LeavesAbsolutePathsAbsolute) {
    test::TempDir dir;
    dir.write("Sub/File.txt", "z");
    const std::string asked = (dir.path() / "sub" / "file.txt").string();
    EXPECT_EQ(resolvePath(asked), (dir.path() / "Sub" / "File.txt").string());
}

TEST(OpenFile, ReadsOnlyRegularFilesSoThatNoReadCanRunForever) {
    test::TempDir dir;
    test::ScopedWorkingDirectory cwd(dir.path());
    dir.write("data/song.xm", "x");
    ASSERT_EQ(::mkfifo("pipe.qms", 0600), 0);  // opening it for reading would wait for a writer
    std::string bytes = "before";
    for (const char* path : {"/dev/zero", "/dev/urandom", "pipe.qms", "data", "data\\"}) {
        EXPECT_FALSE(openFile(path, "r")) << path;
        EXPECT_FALSE(readWholeFile(path, bytes)) << path;
    }
    EXPECT_TRUE(openFile("data\\song.xm", "rb"));
    EXPECT_TRUE(openFile("/dev/null", "w"));  // writing is not limited
}

}  // namespace
}  // namespace qm
