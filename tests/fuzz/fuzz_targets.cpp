// fuzz_targets.cpp -- the table of fuzz targets and the working directory and process state they share.
#include "fuzz_targets.h"

#include <cstdio>
#include <fstream>

#include "fuzz_targets_internal.h"
#include "md3write/md3_writer.h"
#include "modwrite/module_writer.h"
#include "scene/vec3.h"

namespace qm::fuzz {

namespace {

constexpr Target kTargets[] = {
    {"bmp", &runBmp, false},       {"tga", &runTga, false},
    {"png", &runPng, false},       {"md3", &runMd3, false},
    {"curve", &runCurve, false},   {"tokens", &runTokens, false},
    {"module", &runModule, false}, {"materials", &runMaterials, true},
    {"scene", &runScene, true},    {"globals", &runGlobals, true},
};

// Pictures are read on every input of the materials target: small ones of each
// format keep it fast (the readers have targets of their own).
struct SmallPicture {
    const char* extension;
    const char* file;
};
constexpr SmallPicture kSmallPictures[] = {
    {".png", "png_rgba_im.png"},
    {".bmp", "bmp8_im.bmp"},
    {".tga", "tga32_im.tga"},
};

// The names the globals seeds give their scenes. Each stand-in has a few objects
// and event lists, so that playing a playlist does something without reading the
// demo's whole scenes on every input.
constexpr const char* kStandInScenes[] = {"intro", "floor", "knot", "ball", "model", "finale", "a", "b"};

std::string standInScene(const std::string& name) {
    return "on load\n"
           "new camera " +
           name +
           "\n"
           "rotate 0 40 0\nrotating t\n"
           "  new camera inner\n  position 1 2 3\n  end new\n"
           "end new\n"
           "select Camera\nposition 0 0 10\nlookat " +
           name +
           "\n"
           "on sync 1\nselect " +
           name +
           "\nrotation 0 0 90\n"
           "on sync 2\nselect inner\nscale 2 2 2\nscalespeed 1 1 1\nmaxscale 3 3 3\n"
           "on sync 8\nselect Camera\ncurve data\\knotloop.crv\nspeed 0.5\nlooping t\n";
}

// Two patterns of four rows with a sync mark on every row: scene changes (0),
// overlay effects (1 to 6, 255) and plain events.
std::string tinySong() {
    modwrite::Song song;
    song.name = "fuzz";
    song.channels = 2;
    song.speed = 2;
    song.tempo = 250;
    modwrite::Instrument square;
    square.name = "square";
    for (int i = 0; i < 64; ++i) square.samples.push_back(static_cast<int16_t>(i < 32 ? 8000 : -8000));
    square.loopStart = 0;
    square.loopEnd = 64;
    square.middleRate = 22050;
    song.instruments.push_back(square);
    constexpr uint8_t kMarks[] = {1, 8, 2, 0, 3, 4, 255, 0};
    for (int p = 0; p < 2; ++p) {
        song.addPattern(4);
        song.orders.push_back(p);
        for (int r = 0; r < 4; ++r) {
            modwrite::Cell& c = song.cell(p, r, 0);
            c.note = modwrite::kMiddleC;
            c.instrument = 1;
            modwrite::Cell& sync = song.cell(p, r, 1);
            sync.effect = modwrite::Effect::Sync;
            sync.param = kMarks[p * 4 + r];
        }
    }
    return modwrite::writeXm(song);
}

// Two frames of a square and a tag, in two surfaces.
std::string smallModel() {
    md3write::Model m;
    m.name = "fuzz";
    m.frames.resize(2);
    m.tagsPerFrame = 1;
    m.tags.resize(2);
    for (int s = 0; s < 2; ++s) {
        md3write::Surface surface;
        surface.name = "square";
        surface.frameCount = 2;
        surface.triangles = {{{0, 1, 2}}, {{0, 2, 3}}};
        surface.texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        for (int f = 0; f < 2; ++f)
            for (Vec3 p : {Vec3{0, 0, 0}, Vec3{1, 0, 0}, Vec3{1, 1, 0}, Vec3{0, 1, 0}})
                surface.vertices.push_back(
                    md3write::makeVertex(p.add({0, 0, static_cast<float>(f + s)}), {0, 0, 1}));
        m.surfaces.push_back(surface);
    }
    return md3write::encode(m).bytes;
}

bool writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

std::span<const Target> targets() {
    return kTargets;
}

const Target* findTarget(std::string_view name) {
    for (const Target& t : kTargets)
        if (t.name == name) return &t;
    return nullptr;
}

bool prepareDirectory(const std::filesystem::path& dir, const std::filesystem::path& demoData,
                      const std::filesystem::path& pictures, std::string& error) {
    std::error_code failure;
    const std::filesystem::path data = dir / "data";
    std::filesystem::create_directories(data, failure);
    if (failure) {
        error = "cannot create " + data.string() + ": " + failure.message();
        return false;
    }
    for (const auto& entry : std::filesystem::directory_iterator(demoData, failure)) {
        if (!entry.is_regular_file()) continue;
        std::filesystem::path from = entry.path();
        for (const SmallPicture& p : kSmallPictures)
            if (from.extension() == p.extension) from = pictures / p.file;
        std::filesystem::copy_file(from, data / entry.path().filename(),
                                   std::filesystem::copy_options::overwrite_existing, failure);
        if (failure) break;
    }
    if (failure) {
        error = "cannot copy the demo's data from " + demoData.string() + ": " + failure.message();
        return false;
    }
    if (!std::filesystem::exists(data / "materials.qms")) {
        error = "no materials script in " + demoData.string() + " (build the target `demo` first)";
        return false;
    }
    bool written = writeFile(data / "song.xm", tinySong()) && writeFile(data / "model.md3", smallModel());
    for (const char* name : kStandInScenes)
        written = written && writeFile(data / (std::string(name) + ".qms"), standInScene(name));
    if (!written) {
        error = "cannot write into " + data.string();
        return false;
    }
    return true;
}

}  // namespace qm::fuzz
