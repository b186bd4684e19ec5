// The bundled demo's hand-written scripts against the generated files and the script
// languages' pitfalls: names resolved while reading, wrap-around arguments, lost last lines.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/paths.h"
#include "compose/demo_song.h"
#include "script/token_line.h"
#include "tools/demo/demo_assets.h"

namespace qm {
namespace {

const std::string kDemoData = std::string(QUILLMOOR_SOURCE_DIR) + "/demo/data/";

// Files the scripts name that later generators make (the model).
const std::set<std::string> kMadeByLaterGenerators = {"model.md3"};

std::string readDemoFile(const std::string& name) {
    std::string text;
    EXPECT_TRUE(readWholeFile(kDemoData + name, text)) << name;
    return text;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool isNumber(const std::string& s) {
    if (s.empty()) return false;
    char* end = nullptr;
    std::strtod(s.c_str(), &end);
    return end && *end == '\0';
}

// "data\x.png" -> "x.png"; anything else -> "".
std::string dataFileName(const std::string& path) {
    const std::string prefix = "data\\";
    return path.rfind(prefix, 0) == 0 ? path.substr(prefix.size()) : std::string();
}

const std::set<std::string>& availableDataFiles() {
    static const std::set<std::string> files = [] {
        std::set<std::string> all = kMadeByLaterGenerators;
        for (const demo::GeneratedFile& f : demo::buildDemoAssets()) all.insert(f.name);
        if (!demosong::writeSong().empty()) all.insert(demosong::kFileName);
        for (const auto& entry : std::filesystem::directory_iterator(kDemoData))
            all.insert(entry.path().filename().string());
        return all;
    }();
    return files;
}

struct Material {
    std::string name, image;
};

std::vector<Material> readMaterials() {
    std::string text = readDemoFile("materials.qms");
    std::string stream;
    for (char c : text)
        if (c != '\n' && c != '\r') stream += c;  // line ends carry no meaning
    std::vector<Material> materials;
    const std::set<std::string> wraps = {"GL_REPEAT", "GL_CLAMP", "GL_CLAMP_TO_EDGE"};
    const std::set<std::string> minFilters = {"GL_LINEAR",
                                              "GL_NEAREST",
                                              "GL_LINEAR_MIPMAP_LINEAR",
                                              "GL_NEAREST_MIPMAP_NEAREST",
                                              "GL_LINEAR_MIPMAP_NEAREST",
                                              "GL_NEAREST_MIPMAP_LINEAR"};
    const std::set<std::string> magFilters = {"GL_LINEAR", "GL_NEAREST"};
    std::istringstream records(stream);
    for (std::string record; std::getline(records, record, ';');) {
        std::vector<std::string> f;
        std::istringstream fields(record);
        for (std::string field; std::getline(fields, field, ',');) f.push_back(field);
        SCOPED_TRACE(record);
        EXPECT_EQ(record.find_first_of(" \t"), std::string::npos) << "a blank becomes part of a field";
        if (f.size() != 10) {
            ADD_FAILURE() << "a record has ten fields";
            continue;
        }
        EXPECT_TRUE(wraps.count(f[2]) && wraps.count(f[3]));
        EXPECT_NE(f[2], "GL_CLAMP") << "GL_CLAMP blends the border colour into the edges";
        EXPECT_NE(f[3], "GL_CLAMP");
        EXPECT_TRUE(minFilters.count(f[4]));
        EXPECT_TRUE(magFilters.count(f[5]));
        for (int i = 6; i < 10; ++i) {
            EXPECT_TRUE(isNumber(f[size_t(i)])) << f[size_t(i)];
            const double v = std::atof(f[size_t(i)].c_str());
            EXPECT_TRUE(v >= 0.0 && v <= 1.0) << f[size_t(i)];
        }
        materials.push_back({f[0], f[1]});
    }
    EXPECT_TRUE(text.empty() || text.back() == '\n');
    return materials;
}

TEST(DemoScripts, MaterialsAreWellFormedAndTheirPicturesAreGenerated) {
    const std::vector<Material> materials = readMaterials();
    ASSERT_FALSE(materials.empty());
    // Kinds fall back on these two by name, and unknown names on the first material.
    EXPECT_EQ(materials.front().name, "clouds");
    const std::set<std::string>& available = availableDataFiles();
    std::set<std::string> names, formats;
    for (const Material& m : materials) {
        EXPECT_TRUE(names.insert(m.name).second) << m.name << " twice: the later one is never found";
        const std::string file = dataFileName(m.image);
        EXPECT_TRUE(available.count(file)) << m.image;
        formats.insert(file.substr(file.size() - 3));
    }
    EXPECT_TRUE(names.count("blue"));
    EXPECT_EQ(formats, (std::set<std::string>{"bmp", "png", "tga"}));
}

// What a scene script uses, gathered while it is read in the order the reader reads it.
struct SceneUse {
    std::set<std::string> kinds, keywords, materials, dataFiles;
    std::vector<std::string> problems;
};

// Material names in the "load" text of each kind (the others take no material).
std::vector<std::string> materialsOf(const std::string& kind, const std::string& text) {
    if (kind == "cube" || kind == "invcube" || kind == "square") return {text};  // the whole word
    TokenLine items;
    items.splitList(text);
    std::vector<std::string> names;
    auto item = [&](int i) { return items.count() > i ? items.wordString(i) : std::string(); };
    if (kind == "background" || kind == "foreground" || kind == "chessfloor" || kind == "torusknot") {
        names.push_back(item(0));
    } else if (kind == "skybox") {
        names = {item(0), item(1)};
    } else if (kind == "symbols") {
        for (int i = 0; i < items.count() && i < 10; ++i) names.push_back(item(i));
    } else if (kind == "stdmodel" && items.count() > 1) {
        names.push_back(item(1));
    }
    return names;
}

void readScene(const std::string& fileName, SceneUse& use) {
    const std::string text = readDemoFile(fileName);
    auto problem = [&](int line, const std::string& what) {
        use.problems.push_back(fileName + ":" + std::to_string(line) + ": " + what);
    };
    if (text.empty() || text.back() != '\n') problem(0, "the last line needs a line end or it is lost");

    const std::set<std::string> kinds = {"camera",   "cube",       "point",     "invcube",    "vball",
                                         "stdmodel", "chessfloor", "torusknot", "background", "foreground",
                                         "text",     "fog",        "skybox",    "square",     "symbols"};
    const std::set<std::string> vectorCommands = {"rotation", "rotate",   "position",  "scale",
                                                  "minscale", "maxscale", "scalespeed"};
    const std::set<std::string> switches = {"rotating", "enabled", "visable", "moving"};
    std::set<std::string> objects = {"Camera"};
    std::vector<std::string> openKinds;
    bool inList = false;
    int number = 0;
    for (const std::string& line : linesOf(text)) {
        ++number;
        if (line.size() > 254) problem(number, "longer than a read of the scene reader");
        TokenLine words;
        words.splitWords(line);
        if (words.count() == 0) continue;
        const std::string keyword = words.wordString(0);
        const int n = words.count();
        auto word = [&](int i) { return words.wordString(i); };
        if (keyword == "on") {
            if (word(1) == "load" && n == 2) {
                use.keywords.insert("on load");
            } else if (word(1) == "sync" && n == 3 && isNumber(word(2)) && std::atoi(word(2).c_str()) >= 0 &&
                       std::atoi(word(2).c_str()) <= 255) {
                use.keywords.insert("on sync");
            } else {
                problem(number, "not a list the reader knows");
            }
            inList = true;
        } else if (keyword == "new") {
            if (n != 3 || !kinds.count(word(1))) problem(number, "new needs a known kind and a name");
            if (objects.count(word(2))) problem(number, word(2) + " is made twice; look-ups find the first");
            use.kinds.insert(word(1));
            use.keywords.insert("new");
            objects.insert(word(2));
            openKinds.push_back(word(1));
        } else if (keyword == "end") {
            if (word(1) != "new" || openKinds.empty()) problem(number, "end without a block");
            if (!openKinds.empty()) openKinds.pop_back();
            use.keywords.insert("end new");
        } else if (keyword == "load") {
            if (openKinds.empty()) {
                problem(number, "load outside a block does nothing");
                continue;
            }
            const std::string& kind = openKinds.back();
            const std::string parameter = word(1);
            use.keywords.insert("load");
            for (const std::string& m : materialsOf(kind, parameter)) use.materials.insert(m);
            if (kind == "stdmodel") {
                TokenLine items;
                items.splitList(parameter);
                use.dataFiles.insert(items.wordString(0));
            }
            if (kind == "text") {
                TokenLine items;
                items.splitList(parameter);
                for (char c : items.wordString(0))
                    if (!((c >= 'a' && c <= 'z') || c == ' ' || c == '.' || (c >= '{' && c <= '~')))
                        problem(number, std::string("the font has no glyph for '") + c + "'");
            }
        } else if (keyword == "select" || keyword == "lookat" || keyword == "jump" || keyword == "speed" ||
                   keyword == "sync" || keyword == "curve" || keyword == "looping" ||
                   vectorCommands.count(keyword) || switches.count(keyword)) {
            // Command lines before the first list belong to none and are dropped.
            if (!inList) problem(number, keyword + " before any \"on\" line joins no list");
            std::string used = keyword;
            if (keyword == "select" || (keyword == "lookat" && word(1) != "none")) {
                // Names are looked up while the script is read: a later object is not found,
                // and the command quietly acts on the camera.
                if (n != 2 || !objects.count(word(1)))
                    problem(number, word(1) + " is not made above this line");
            } else if (keyword == "lookat" || keyword == "curve" || keyword == "scale") {
                if (word(1) == "none") used += " none";
            }
            if (keyword == "curve" && word(1) != "none") use.dataFiles.insert(word(1));
            if (vectorCommands.count(keyword) && !(keyword == "scale" && word(1) == "none")) {
                // A missing value wraps around to the line's own words.
                if (n != 4 || !isNumber(word(1)) || !isNumber(word(2)) || !isNumber(word(3)))
                    problem(number, keyword + " needs three numbers");
            }
            if ((keyword == "jump" || keyword == "speed" || keyword == "sync") &&
                (n != 2 || !isNumber(word(1))))
                problem(number, keyword + " needs one number");
            if (switches.count(keyword) &&
                (n != 2 || std::string("01tf").find(word(1)[0]) == std::string::npos))
                problem(number, keyword + " needs t or f");
            if (keyword == "looping" && (n != 2 || (word(1)[0] != 't' && word(1)[0] != 'f')))
                problem(number, "looping takes only t or f");
            use.keywords.insert(used);
        }
    }
    if (!openKinds.empty()) problem(number, "a \"new\" block is not closed");
}

struct Globals {
    std::map<std::string, std::string> scenes;  // name -> script path
    std::vector<std::string> playlist;
    std::string music;
    bool musicOn = false;
};

Globals readGlobals() {
    Globals g;
    const std::string text = readDemoFile("globals.qms");
    EXPECT_TRUE(!text.empty() && text.back() == '\n') << "the last line needs a line end or it is lost";
    for (const std::string& line : linesOf(text)) {
        TokenLine words;
        words.splitWords(line);
        if (words.count() == 0) continue;
        const std::string w0 = words.wordString(0);
        if (w0 == "new" && words.wordString(1) == "scene") {
            EXPECT_EQ(words.count(), 4) << line;
            EXPECT_TRUE(g.scenes.emplace(words.wordString(3), words.wordString(2)).second) << line;
        } else if (w0 == "music" && words.wordString(1) == "on") {
            g.musicOn = true;
        } else if (w0 == "music" && words.wordString(1) == "file") {
            EXPECT_TRUE(g.musicOn) << "a song is only loaded after \"music on\"";
            g.music = words.wordString(2);
        } else if (w0 == "scenes") {
            g.playlist.clear();
            for (int i = 1; i < words.count(); ++i) g.playlist.push_back(words.wordString(i));
        }
    }
    return g;
}

TEST(DemoScripts, GlobalsNameEverySceneOfThePlaylistAndASong) {
    const Globals g = readGlobals();
    EXPECT_GE(g.scenes.size(), 5u);
    EXPECT_GE(g.playlist.size(), g.scenes.size());
    for (const std::string& name : g.playlist)
        EXPECT_TRUE(g.scenes.count(name)) << name << " plays an empty scene";
    const std::set<std::string>& available = availableDataFiles();
    EXPECT_TRUE(available.count(dataFileName(g.music))) << g.music;
    for (const auto& [name, path] : g.scenes) EXPECT_TRUE(available.count(dataFileName(path))) << path;
}

TEST(DemoScripts, ScenesUseEveryKindAndKeywordWithNamesFilesAndMaterialsThatExist) {
    const Globals g = readGlobals();
    SceneUse use;
    for (const auto& [name, path] : g.scenes) readScene(dataFileName(path), use);
    for (const std::string& p : use.problems) ADD_FAILURE() << p;

    EXPECT_EQ(use.kinds.size(), 15u) << "every object kind appears in the demo";
    const std::set<std::string> keywords = {
        "on load", "on sync",    "new",         "end new",  "load",      "select",   "jump",
        "speed",   "lookat",     "lookat none", "rotation", "rotate",    "rotating", "position",
        "sync",    "curve",      "curve none",  "looping",  "enabled",   "visable",  "moving",
        "scale",   "scale none", "minscale",    "maxscale", "scalespeed"};
    for (const std::string& k : keywords) EXPECT_TRUE(use.keywords.count(k)) << "no scene uses " << k;

    std::set<std::string> materialNames;
    for (const Material& m : readMaterials()) materialNames.insert(m.name);
    for (const std::string& m : use.materials)
        EXPECT_TRUE(materialNames.count(m))
            << m << " is not in the materials script and falls back to clouds";

    const std::set<std::string>& available = availableDataFiles();
    std::set<std::string> curves;
    for (const std::string& path : use.dataFiles) {
        EXPECT_TRUE(available.count(dataFileName(path))) << path;
        if (path.size() > 4 && path.substr(path.size() - 4) == ".crv") curves.insert(path);
    }
    EXPECT_GE(curves.size(), 4u);
}

}  // namespace
}  // namespace qm
