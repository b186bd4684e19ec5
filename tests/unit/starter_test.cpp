// The starter demo: written into a new folder it checks clean with --werror; a folder that already
// holds something named data is refused and left exactly as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

#include "check/checker.h"
#include "starter/starter_demo.h"
#include "support/temp_dir.h"

namespace qm::starter {
namespace {

namespace fs = std::filesystem;

TEST(StarterDemo, ChecksCleanWithWarningsAsErrors) {
    test::TempDir temp;
    const fs::path dir = temp.path() / "new" / "mine";  // folders that do not exist yet
    std::string error;
    ASSERT_TRUE(writeStarterDemo(dir, error)) << error;

    std::ostringstream out, diagnostics;
    check::CheckOptions options;
    options.dir = dir.string();
    options.werror = true;
    EXPECT_EQ(check::runCheck(options, out, diagnostics), check::kClean) << diagnostics.str();
    EXPECT_EQ(diagnostics.str(), "");
    // Nothing but the data folder: no temporary folder left behind.
    std::vector<std::string> top;
    for (const auto& entry : fs::directory_iterator(dir)) top.push_back(entry.path().filename().string());
    EXPECT_EQ(top, std::vector<std::string>{"data"});
}

// Every file below `dir` with its bytes.
std::map<std::string, std::string> snapshot(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        std::string bytes;
        if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        files[fs::relative(entry.path(), dir).string() + (entry.is_directory() ? "/" : "")] = bytes;
    }
    return files;
}

TEST(StarterDemo, RefusesAFolderThatAlreadyHoldsData) {
    struct Case {
        const char* name;
        const char* file;  // written below the folder first
    };
    for (const Case& c : {Case{"a demo", "data/globals.qms"}, Case{"an empty data folder", "data/"},
                          Case{"a file named data", "data"}}) {
        SCOPED_TRACE(c.name);
        test::TempDir temp;
        temp.write("notes.txt", "mine\n");
        if (std::string(c.file).back() == '/')
            fs::create_directory(temp.path() / "data");
        else
            temp.write(c.file, "music on\n");
        const auto before = snapshot(temp.path());

        std::string error;
        EXPECT_FALSE(writeStarterDemo(temp.path(), error));
        EXPECT_NE(error.find("data"), std::string::npos) << error;
        EXPECT_EQ(snapshot(temp.path()), before);
    }
}

}  // namespace
}  // namespace qm::starter
