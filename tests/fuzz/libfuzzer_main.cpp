// libfuzzer_main.cpp -- libFuzzer's entry points for one target, chosen when the executable is built.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/gl_state.h"
#include "fuzz_targets.h"
#include "platform/offscreen_gl.h"

#ifndef QUILLMOOR_FUZZ_TARGET
#error "QUILLMOOR_FUZZ_TARGET names the target this executable runs"
#endif

namespace {

// The script targets draw into a small surface: what they draw is not looked at,
// and fewer pixels keep the inputs fast.
constexpr int kSurfaceSide = 64;

const qm::fuzz::Target* target = nullptr;
std::filesystem::path scratch;

void removeScratch() {
    std::error_code ignored;
    if (!scratch.empty()) std::filesystem::remove_all(scratch, ignored);
}

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "fuzz target %s: %s\n", QUILLMOOR_FUZZ_TARGET, message.c_str());
    std::exit(1);
}

// A fresh folder in memory when the system has one: every input is written to a file.
std::filesystem::path makeScratch() {
    const char* base = std::getenv("QUILLMOOR_FUZZ_SCRATCH");
    std::string pattern = base ? base : std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    pattern += "/quillmoor-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) fail("cannot create a scratch folder below " + pattern);
    return pattern;
}

void setUpPlayerState() {
    scratch = makeScratch();
    std::atexit(removeScratch);
    const char* demoData = std::getenv("QUILLMOOR_DEMO_DATA");
    std::string error;
    if (!qm::fuzz::prepareDirectory(scratch, demoData ? demoData : QUILLMOOR_DEMO_DATA_DIR,
                                    QUILLMOOR_FUZZ_PICTURES_DIR, error))
        fail(error);
    std::filesystem::current_path(scratch);
    // One context for the whole process.
    static qm::OffscreenGl gl;
    if (!gl.create(kSurfaceSide, kSurfaceSide, error)) fail("no offscreen GL context: " + error);
    qm::setUpPlayerProjection(qm::PictureRect{});
    qm::setPlayerFixedState();
}

// The script targets run in the scratch folder, so the paths on the command line
// (corpus folders, inputs, and the flags below) become absolute before libFuzzer
// reads them. Crash files go where they would have gone: the starting folder.
constexpr std::string_view kPathFlags[] = {
    "-artifact_prefix=", "-exact_artifact_path=", "-dict=", "-merge_control_file=", "-features_dir="};

void makePathsAbsolute(int* argc, char*** argv) {
    static std::vector<std::string> arguments;
    static std::vector<char*> pointers;
    bool artifactPrefix = false;
    for (int i = 0; i < *argc; ++i) {
        std::string a = (*argv)[i];
        if (i > 0 && !a.empty() && a[0] != '-') {
            a = std::filesystem::absolute(a).string();
        } else {
            for (std::string_view flag : kPathFlags) {
                if (a.compare(0, flag.size(), flag) != 0 || a.size() == flag.size()) continue;
                artifactPrefix = artifactPrefix || flag == "-artifact_prefix=";
                a = std::string(flag) + std::filesystem::absolute(a.substr(flag.size())).string();
            }
        }
        arguments.push_back(a);
    }
    if (!artifactPrefix)
        arguments.push_back("-artifact_prefix=" + std::filesystem::current_path().string() + "/");
    for (std::string& a : arguments) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    *argc = static_cast<int>(arguments.size());
    *argv = pointers.data();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    target = qm::fuzz::findTarget(QUILLMOOR_FUZZ_TARGET);
    if (!target) fail("no such target");
    if (target->needsPlayerState) {
        makePathsAbsolute(argc, argv);
        setUpPlayerState();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    target->run(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
