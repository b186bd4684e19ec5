// make_seeds.cpp -- writes the fuzz targets' seed corpora: files of the demo and the image fixtures, models
// and songs from our writers, and short scripts that use every keyword.
//
//   quillmoor-fuzz-seeds <source dir> <assembled demo dir> <corpus dir>
//
// The corpus folders are committed; run this again when a reader learns something new.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "md3write/md3_writer.h"
#include "modwrite/module_writer.h"

namespace {

namespace fs = std::filesystem;
using namespace qm;

// Seeds stay small: libFuzzer mutates small inputs faster and the repository stays light.
constexpr uintmax_t kMaxSeedBytes = 8192;

fs::path corpus;
int written = 0;

void seed(const std::string& target, const std::string& name, const std::string& bytes) {
    const fs::path dir = corpus / target;
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ++written;
}

std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Every small file of `dir` whose name ends in `extension`.
void copySeeds(const std::string& target, const fs::path& dir, const std::string& extension,
               const std::string& prefix) {
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (!entry.is_regular_file() || entry.path().extension() != extension) continue;
        if (entry.file_size() > kMaxSeedBytes) continue;
        seed(target, prefix + entry.path().filename().string(), contents(entry.path()));
    }
}

// ---- MD3 models

Md3Vertex vertex(float x, float y, float z) {
    return md3write::makeVertex({x, y, z}, {0, 0, 1});
}

md3write::Surface triangleSurface(const std::string& name, int frames) {
    md3write::Surface s;
    s.name = name;
    s.frameCount = frames;
    s.shaders.push_back({md3write::fixedName<64>("skin"), 0});
    s.triangles = {{{0, 1, 2}}, {{0, 2, 3}}};
    s.texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int f = 0; f < frames; ++f) {
        const float lift = static_cast<float>(f);
        for (Vec3 p : {Vec3{0, 0, lift}, Vec3{1, 0, lift}, Vec3{1, 1, lift}, Vec3{0, 1, lift}})
            s.vertices.push_back(vertex(p.x, p.y, p.z));
    }
    return s;
}

md3write::Model model(int frames, int tags, int surfaces) {
    md3write::Model m;
    m.name = "seed";
    for (int f = 0; f < frames; ++f) {
        Md3Frame frame;
        frame.boundsMax = {1, 1, static_cast<float>(f)};
        frame.radius = 2;
        frame.name = md3write::fixedName<16>("frame");
        m.frames.push_back(frame);
    }
    m.tagsPerFrame = tags;
    for (int i = 0; i < frames * tags; ++i) {
        Md3Tag tag;
        tag.name = md3write::fixedName<64>("tag_weapon");
        tag.axis = {Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}};
        m.tags.push_back(tag);
    }
    for (int s = 0; s < surfaces; ++s)
        m.surfaces.push_back(triangleSurface("surface" + std::to_string(s), frames));
    return m;
}

void md3Seeds() {
    seed("md3", "one-frame.md3", md3write::encode(model(1, 0, 1)).bytes);
    seed("md3", "three-frames-two-tags.md3", md3write::encode(model(3, 2, 2)).bytes);
    seed("md3", "no-surfaces.md3", md3write::encode(model(2, 1, 0)).bytes);
    md3write::Layout odd;
    odd.gapBytes = 12;
    odd.verticesFirst = true;
    odd.tailBytes = 8;
    seed("md3", "vertices-first-with-gaps.md3", md3write::encode(model(2, 0, 2), odd).bytes);
    // A surface with fewer frames than the model holds its last pose.
    md3write::Model uneven = model(3, 0, 1);
    uneven.surfaces.push_back(triangleSurface("still", 1));
    seed("md3", "uneven-frames.md3", md3write::encode(uneven).bytes);
}

// ---- modules

// S3M patterns always have 64 rows; the others get 8.
modwrite::Song song(int rows) {
    modwrite::Song s;
    s.name = "seed";
    s.channels = 3;
    s.speed = 3;
    s.tempo = 140;
    modwrite::Instrument saw;
    saw.name = "saw";
    for (int i = 0; i < 32; ++i) saw.samples.push_back(static_cast<int16_t>((i - 16) * 1500));
    saw.loopEnd = 32;
    saw.middleRate = 16000;
    saw.volumeEnvelope.points = {{0, 64}, {8, 32}, {16, 0}};
    s.instruments.push_back(saw);
    for (int p = 0; p < 2; ++p) {
        s.addPattern(rows);
        s.orders.push_back(p);
        for (int r = 0; r < 8; r += 2) {
            s.cell(p, r, 0).note = static_cast<uint8_t>(modwrite::kMiddleC + r);
            s.cell(p, r, 0).instrument = 1;
            s.cell(p, r, 0).volume = 48;
        }
        s.cell(p, 1, 1).effect = modwrite::Effect::Sync;
        s.cell(p, 1, 1).param = static_cast<uint8_t>(p + 1);
        s.cell(p, 3, 2).effect = modwrite::Effect::Sync;  // two marks in one row, with a note beside one
        s.cell(p, 3, 2).param = 0;
        s.cell(p, 3, 1).effect = modwrite::Effect::Sync;
        s.cell(p, 3, 1).param = 255;
        s.cell(p, 3, 1).note = modwrite::kMiddleC;
        s.cell(p, 3, 1).instrument = 1;
        s.cell(p, 5, 0).effect = modwrite::Effect::Vibrato;
        s.cell(p, 5, 0).param = 0x44;
    }
    s.cell(1, 6, 0).effect = modwrite::Effect::PatternBreak;
    return s;
}

void moduleSeeds() {
    const modwrite::Song s = song(8);
    seed("module", "song.xm", modwrite::writeXm(s));
    seed("module", "song-unpacked.xm", modwrite::writeXm(s, {.packCells = false}));
    seed("module", "song.it", modwrite::writeIt(s));
    seed("module", "song-plain.it", modwrite::writeIt(s, {.reuseLastValues = false}));
    seed("module", "song.s3m", modwrite::writeS3m(song(64)));
}

// ---- curves

std::string curveRecord(int32_t segments, int keys) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(segments >> (8 * i));
    for (int k = 0; k < keys; ++k) {
        const float values[10] = {
            static_cast<float>(k), static_cast<float>(k * k), -1, 0.5f, 0, 0, -0.5f, 0, 0, 0};
        bytes.append(reinterpret_cast<const char*>(values), sizeof values);
    }
    return bytes;
}

void curveSeeds(const fs::path& demoData) {
    copySeeds("curve", demoData, ".crv", "demo-");
    seed("curve", "two-keys-short-file.crv", curveRecord(1, 2));
    seed("curve", "cut-before-the-last-key.crv", curveRecord(3, 2));
    seed("curve", "last-key-63.crv", curveRecord(63, 64));
    seed("curve", "segments-past-the-keys.crv", curveRecord(64, 3));
    seed("curve", "negative-segments.crv", curveRecord(-1, 1));
}

// ---- scripts

void scriptSeeds(const fs::path& source, const fs::path& demoData) {
    for (const char* scene : {"intro", "floor", "knot", "ball", "model", "finale"})
        seed("scene", std::string("demo-") + scene + ".qms",
             contents(source / "demo/data" / (std::string(scene) + ".qms")));
    seed(
        "scene", "every-command.qms",
        "# each keyword once\n"
        "on load\n"
        "new camera a\nposition 1 2 3\nrotation 10 20 30\nrotate 0 45 0\nrotating t\n"
        "  new camera b\n  scale 2 2 2\n  minscale 1 1 1\n  maxscale 3 3 3\n  scalespeed 1 0.5 0\n  end new\n"
        "end new\n"
        "new cube c\nload clouds\nvisable 1\nenabled t\nmoving f\nend new\n"
        "select a\nlookat b\ncurve data\\knotloop.crv\njump 0.25\nspeed 0.5\nlooping t\n"
        "on sync 3\nselect b\nsync 2\nlookat none\nscale none\ncurve none\nlooping 1\n"
        "on sync 255\nselect c\nvisable f\nsync -4\n"
        "on sync 256\nselect a\n"
        "on other\nend other\nend new\nload nothing\n"
        "on load\nselect Camera\nposition 0 0 50\n");
    seed("scene", "quotes-tabs-and-crlf.qms",
         "on load\r\nnew\tcamera \"two words\"\r\n\tload \"a, b,c\"\r\nend new\r\nselect \"two words\"\r\n"
         "new camera\nend new\nposition\nrotate 1\n\"unclosed quote\n");

    seed("materials", "demo-materials.qms", contents(demoData / "materials.qms"));
    seed("materials", "odd-records.qms",
         "plain,data\\skin.png,GL_CLAMP,GL_REPEAT,GL_NEAREST,GL_NEAREST,0.5,0.25,1,1;\r\n"
         "short,data\\blue.bmp,GL_REPEAT;\n"
         "blanks, data\\sym-ring.tga, GL_REPEAT ,GL_REPEAT,GL_LINEAR,GL_LINEAR,x,1e40,-1,.5,extra,fields;\n"
         "split\nover,data\\sym-\nstar.png,GL_CLAMP_TO_EDGE,\nGL_CLAMP_TO_EDGE,GL_LINEAR_MIPMAP_NEAREST,GL_"
         "LINEAR,1,1,1,1;\n"
         "missing,data\\none.png,GL_REPEAT,GL_REPEAT,GL_NEAREST_MIPMAP_LINEAR,GL_NEAREST,1,1,1,1;;;,,;\n"
         "unended,data\\chess.bmp,GL_REPEAT");

    seed("globals", "demo-globals.qms", contents(source / "demo/data/globals.qms"));
    seed("globals", "two-scenes.qms",
         "music on\nmusic file data\\song.xm\nnew scene data\\a.qms a\nnew scene data\\b.qms b\n"
         "scenes a b a nothing b\n");
    seed("globals", "odd-lines.qms",
         "\"quoted\" line\n\rskipped\nmusic off\nmusic file data\\none.xm\nmusic on\nmusic file "
         "data\\song.xm\n"
         "new scene data\\missing.qms gone\nnew scene\nnew scene data\\a.qms\nscenes\nscenes b\nscenes a a\n"
         "last line without an end");

    seed("tokens", "scene-line.txt", "position 1.5 -2 3e2\n");
    seed("tokens", "quoted.txt", "load \"tied in knots,0.8,1,0.9,1\"\t\"\" x\r\n");
    seed("tokens", "list.txt", " wobble , 1,0.85 ,\t0.6,,1\n");
    seed("tokens", "leading-separators.txt", "\n\t new  camera\t\tname ");
    seed("tokens", "unclosed.txt", "a \"b c");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <source dir> <assembled demo dir> <corpus dir>\n", argv[0]);
        return 2;
    }
    const fs::path source = argv[1];
    const fs::path demoData = fs::path(argv[2]) / "data";
    corpus = argv[3];

    const fs::path images = source / "tests/fixtures/images";
    copySeeds("bmp", images, ".bmp", "");
    copySeeds("bmp", demoData, ".bmp", "demo-");
    copySeeds("tga", images, ".tga", "");
    copySeeds("tga", demoData, ".tga", "demo-");
    copySeeds("png", images, ".png", "");
    copySeeds("png", demoData, ".png", "demo-");
    md3Seeds();
    moduleSeeds();
    curveSeeds(demoData);
    scriptSeeds(source, demoData);
    std::printf("%d seeds written below %s\n", written, corpus.string().c_str());
    return 0;
}
