// Script paths on Windows: names come back as they are on disk, drives stay, devices are not read.
#include <gtest/gtest.h>

#include <string>

#include "base/paths.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

// Windows opens "DATA\INTRO.QMS" as it is written; the path must still come back with the
// names on disk, as on Linux, where only those open (the checker names files by it).
TEST(WindowsPaths, ResolveToTheNamesOnDisk) {
    test::TempDir dir;
    test::ScopedWorkingDirectory cwd(dir.path());
    dir.write("Data/Scenes/Intro.QMS", "x");
    dir.write("data2/exact.qms", "y");
    const struct {
        const char* written;
        const char* resolved;
    } cases[] = {
        {"data2\\exact.qms", "data2/exact.qms"},
        {"data\\scenes\\intro.qms", "Data/Scenes/Intro.QMS"},
        {"DATA/SCENES/INTRO.qms", "Data/Scenes/Intro.QMS"},
        {"./data\\scenes\\intro.qms", "./Data/Scenes/Intro.QMS"},
        // Nothing matches: the mapped path comes back as written and fails to open.
        {"data\\missing.qms", "data/missing.qms"},
        {"DATA\\Missing\\x.qms", "DATA/Missing/x.qms"},
    };
    for (const auto& c : cases) EXPECT_EQ(resolvePath(c.written), c.resolved) << c.written;
    std::string bytes;
    ASSERT_TRUE(readWholeFile("DATA\\scenes\\INTRO.qms", bytes));
    EXPECT_EQ(bytes, "x");
}

// An absolute path keeps its drive as written and gets the names on disk after it.
TEST(WindowsPaths, KeepTheDriveOfAnAbsolutePath) {
    test::TempDir dir;
    dir.write("Sub/File.txt", "z");
    std::string asked = dir.path().generic_string() + "/SUB/file.TXT";
    ASSERT_EQ(asked[1], ':');
    const std::string expected = dir.path().generic_string() + "/Sub/File.txt";
    EXPECT_EQ(resolvePath(asked), expected);
    std::string bytes;
    EXPECT_TRUE(readWholeFile(asked, bytes));
    EXPECT_EQ(bytes, "z");
}

// Windows' text mode would drop the '\r' of "\r\n" and stop at a Ctrl-Z byte; scripts are
// read byte for byte, as on Linux, whatever mode the reader asks for.
TEST(WindowsPaths, FilesReadByteForByte) {
    test::TempDir dir;
    test::ScopedWorkingDirectory cwd(dir.path());
    const std::string bytes("line\r\n\x1a after\r\n\r", 16);
    dir.write("data/crlf.qms", bytes);
    for (const char* mode : {"r", "rb"}) {
        FileHandle file = openFile("data\\CRLF.qms", mode);
        ASSERT_TRUE(file) << mode;
        std::string read;
        ASSERT_TRUE(readRest(file.get(), read)) << mode;
        EXPECT_EQ(read, bytes) << mode;
    }
}

// Windows' devices open from any folder: reading CON would wait for the keyboard and NUL
// never has anything. Only regular files are read.
TEST(WindowsPaths, DevicesAndFoldersAreNotRead) {
    test::TempDir dir;
    test::ScopedWorkingDirectory cwd(dir.path());
    dir.write("data/song.xm", "x");
    std::string bytes = "before";
    for (const char* path : {"NUL", "CON", "data\\nul", "data", "data\\"}) {
        EXPECT_FALSE(openFile(path, "r")) << path;
        EXPECT_FALSE(readWholeFile(path, bytes)) << path;
    }
    EXPECT_TRUE(openFile("DATA\\SONG.XM", "rb"));
}

}  // namespace
}  // namespace qm
