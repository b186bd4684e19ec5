// demo_assets.h -- the bundled demo's generated data files: building them and writing them out.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qm::demo {

struct GeneratedFile {
    std::string name;  // file name below the demo's data/ folder
    std::vector<uint8_t> bytes;
};

// Every generated file, in a fixed order; the same bytes on every call. A file whose
// encoder failed comes back empty.
std::vector<GeneratedFile> buildDemoAssets();

// Writes the files into `dataDir` (created when missing). False, with the reason in
// `error`, when a file is empty or cannot be written.
bool writeDemoAssets(const std::vector<GeneratedFile>& files, const std::filesystem::path& dataDir,
                     std::string& error);

}  // namespace qm::demo
