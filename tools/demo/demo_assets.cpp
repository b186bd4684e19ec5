// demo_assets.cpp -- the list of generated files (font pages, textures in BMP, TGA and PNG,
// curve records) and writing them into the demo's data folder.
#include "tools/demo/demo_assets.h"

#include <cstdio>
#include <memory>
#include <system_error>

#include "tools/demo/curves.h"
#include "tools/demo/font_pages.h"
#include "tools/demo/image_files.h"
#include "tools/demo/textures.h"

namespace qm::demo {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Writes through a temporary name and renames, so that an interrupted run never leaves a
// truncated file that looks finished.
bool writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes, std::string& error) {
    const std::filesystem::path temporary = path.string() + ".part";
    {
        std::unique_ptr<std::FILE, FileCloser> file(std::fopen(temporary.c_str(), "wb"));
        if (!file) {
            error = "cannot create " + temporary.string();
            return false;
        }
        if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() ||
            std::fflush(file.get()) != 0) {
            error = "cannot write " + temporary.string();
            return false;
        }
        if (std::fclose(file.release()) != 0) {
            error = "cannot write " + temporary.string();
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        error = "cannot rename " + temporary.string() + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace

std::vector<GeneratedFile> buildDemoAssets() {
    std::vector<GeneratedFile> files;
    // The two glyph pages the text objects load.
    files.push_back({"fontv3-1.png", encodePngRgba(renderFontPage(1))});
    files.push_back({"fontv3-2.png", encodePngRgba(renderFontPage(2))});

    // Textures; the format of each is chosen so that every reader path is used: BMP and
    // TGA store the bottom row first, so those carry pictures that read well either way up
    // (or, for the mirror ball, that want the bottom row at texture row 0).
    files.push_back({"clouds.png", encodePngRgb(cloudsTexture())});
    files.push_back({"blue.bmp", encodeBmp8(blueTexture())});
    files.push_back({"chess.bmp", encodeBmp24(chessTexture())});
    files.push_back({"chrome.tga", encodeTga24(chromeTexture())});
    files.push_back({"skyside.png", encodePngRgb(skySideTexture())});
    files.push_back({"skytop.png", encodePngRgb(skyTopTexture())});
    files.push_back({"backdrop.png", encodePngRgb(backdropTexture())});
    files.push_back({"vignette.png", encodePngRgba(vignetteTexture())});
    files.push_back({"emblem.png", encodePngRgba(emblemTexture())});
    files.push_back({"tunnel.png", encodePngRgb(tunnelTexture())});
    files.push_back({"skin.png", encodePngRgb(skinTexture())});
    files.push_back({"sym-ring.tga", encodeTga32(ringSymbol())});
    files.push_back({"sym-diamond.png", encodePngPalette(diamondSymbol())});
    files.push_back({"sym-star.png", encodePngRgba(starSymbol())});
    files.push_back({"sym-note.png", encodePngRgba(noteSymbol())});

    // Motion paths.
    for (const NamedPath& path : demoPaths()) files.push_back({path.fileName, encodeCurve(path.keys)});
    return files;
}

bool writeDemoAssets(const std::vector<GeneratedFile>& files, const std::filesystem::path& dataDir,
                     std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(dataDir, ec);
    if (ec) {
        error = "cannot create " + dataDir.string() + ": " + ec.message();
        return false;
    }
    for (const GeneratedFile& file : files) {
        if (file.bytes.empty()) {
            error = "could not encode " + file.name;
            return false;
        }
        if (!writeFile(dataDir / file.name, file.bytes, error)) return false;
    }
    return true;
}

}  // namespace qm::demo
