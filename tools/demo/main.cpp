// main.cpp -- quillmoor-demo-assets OUTDIR: writes the bundled demo's generated files into OUTDIR/data.
#include <cstdio>
#include <string>

#include "tools/demo/demo_assets.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr,
                     "usage: %s OUTDIR\n(writes the demo's fonts, textures and curves into OUTDIR/data)\n",
                     argc > 0 ? argv[0] : "quillmoor-demo-assets");
        return 2;
    }
    const std::filesystem::path dataDir = std::filesystem::path(argv[1]) / "data";
    const auto files = qm::demo::buildDemoAssets();
    std::string error;
    if (!qm::demo::writeDemoAssets(files, dataDir, error)) {
        std::fprintf(stderr, "quillmoor-demo-assets: %s\n", error.c_str());
        return 1;
    }
    size_t total = 0;
    for (const auto& file : files) total += file.bytes.size();
    std::printf("quillmoor-demo-assets: %zu files, %zu bytes in %s\n", files.size(), total, dataDir.c_str());
    return 0;
}
