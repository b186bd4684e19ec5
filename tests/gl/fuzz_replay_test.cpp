// Every committed fuzz seed and every kept crash input, replayed through its target in each build.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "fuzz_targets.h"
#include "support/gl_test.h"
#include "support/temp_dir.h"

namespace qm {

namespace fuzz {
// What CTest shows beside each test's name (found by argument-dependent lookup).
static void PrintTo(const Target& target, std::ostream* os) {
    *os << target.name;
}
}  // namespace fuzz

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> inputsOf(std::string_view target) {
    std::vector<fs::path> files;
    for (const char* folder : {"corpus", "regressions"}) {
        const fs::path dir = fs::path(QUILLMOOR_FUZZ_DIR) / folder / std::string(target);
        std::error_code missing;
        for (const auto& entry : fs::directory_iterator(dir, missing))
            if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class FuzzReplay : public test::GlTest, public ::testing::WithParamInterface<fuzz::Target> {};

TEST_P(FuzzReplay, EveryKeptInputPassesItsTarget) {
    const fuzz::Target& target = GetParam();
    const std::vector<fs::path> files = inputsOf(target.name);
    ASSERT_FALSE(files.empty()) << "no seeds for " << target.name;

    test::TempDir dir;
    test::ScopedWorkingDirectory cwd{dir.path()};
    if (target.needsPlayerState) {
        std::string error;
        ASSERT_TRUE(
            fuzz::prepareDirectory(dir.path(), QUILLMOOR_DEMO_DATA_DIR, QUILLMOOR_FUZZ_PICTURES_DIR, error))
            << error;
    }
    for (const fs::path& file : files) {
        const std::string name = file.string();
        fuzz::replayedInput = name.c_str();  // a broken promise aborts naming the input
        target.run(contents(file));
    }
    fuzz::replayedInput = nullptr;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay,
                         ::testing::ValuesIn(fuzz::targets().begin(), fuzz::targets().end()),
                         [](const ::testing::TestParamInfo<fuzz::Target>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace qm
