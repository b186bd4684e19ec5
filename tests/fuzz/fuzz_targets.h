// fuzz_targets.h -- the fuzz targets: one function per reader, run by libFuzzer and replayed by the tests.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace qm::fuzz {

// Each target feeds one input to one reader (and to what consumes its result), the
// way the player would meet those bytes in a file.
struct Target {
    std::string_view name;  // also the folder name below corpus/ and regressions/
    void (*run)(std::string_view input);
    // Needs the prepared working directory and a current GL context; each input
    // is read into a fresh run of the demo.
    bool needsPlayerState;
};

std::span<const Target> targets();
const Target* findTarget(std::string_view name);

// Fills `dir` with what the script targets read besides their input: the demo's
// data folder (curves and materials script) from `demoData`, with small stand-ins
// for what is slow to read on every input: each picture becomes a small one of the
// same format from `pictures`, and the model, the song and the scene scripts the
// globals script names become tiny ones. False, with the reason in `error`, when
// it cannot.
bool prepareDirectory(const std::filesystem::path& dir, const std::filesystem::path& demoData,
                      const std::filesystem::path& pictures, std::string& error);

}  // namespace qm::fuzz
