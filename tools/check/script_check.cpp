// script_check.cpp -- diagnostics for the globals, scene and materials scripts, from the readers' own
// findings.
#include "check/script_check.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "check/keyword_match.h"
#include "objects/kinds.h"
#include "objects/model.h"
#include "objects/screen_layers.h"
#include "objects/text.h"
#include "resources/font.h"
#include "resources/material.h"
#include "resources/texture.h"
#include "runtime/demo.h"
#include "runtime/demo_run.h"
#include "scene/scene.h"
#include "scene/script_findings.h"
#include "script/script_number.h"
#include "script/token_line.h"

namespace qm::check {

namespace {

// The font pages that the first text object loads.
constexpr std::string_view kFontPages[] = {TextObject::kPage1Path, TextObject::kPage2Path};

bool hasContent(std::string_view line) {
    return line.find_first_not_of(" \t\r\n") != std::string_view::npos;
}

std::string lineOf(int line) {
    return "line " + std::to_string(line);
}

bool isDecimal(std::string_view word) {
    if (!word.empty() && (word[0] == '+' || word[0] == '-')) word.remove_prefix(1);
    return !word.empty() &&
           std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The value of a word that reads as hexadecimal ("0x1F", "1F", "ff"), or -1.
long hexValue(std::string_view word) {
    const bool prefixed = word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X');
    if (prefixed) word.remove_prefix(2);
    if (word.empty() || word.size() > 4 || !std::all_of(word.begin(), word.end(), isHexDigit)) return -1;
    if (!prefixed && isDecimal(word)) return -1;
    return std::strtol(std::string(word).c_str(), nullptr, 16);
}

std::string hexName(long value) {
    char text[24];
    std::snprintf(text, sizeof text, "Z%02lX", value);
    return text;
}

std::string describeCharacter(unsigned char c) {
    if (c >= 32 && c < 127) return std::string(1, static_cast<char>(c));
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02X", c);
    return text;
}

// The characters the font has a glyph for: a-z and the five after z, code 128,
// the blank (an advance) and the full stop (a line break).
bool fontDraws(unsigned char c) {
    const int glyph = Font::glyphOf(static_cast<char>(c));
    return (glyph >= 0 && glyph < Font::kGlyphCount) || c == ' ' || c == '.';
}

// The highest number of a range that starts at 0 and holds `count` numbers, as in "0-255".
std::string rangeOf(int count) {
    return "0-" + std::to_string(count - 1);
}

std::string firstMaterialNote(const MaterialLibrary& materials) {
    const Material& head = materials.head();
    if (head.name) return "the first material " + inQuotes(*head.name) + " is used instead";
    return "the materials script defines none, so nothing is applied";
}

// The image types of a TGA header that the reader knows by name.
const char* tgaTypeName(uint32_t type) {
    switch (type) {
        case 1:
            return "colour-mapped";
        case 3:
            return "grey";
        case 9:
            return "run-length encoded colour-mapped";
        case 10:
            return "run-length encoded true-colour";
        case 11:
            return "run-length encoded grey";
        default:
            return "unusual";
    }
}

std::string bmpCompressionName(uint32_t compression) {
    switch (compression) {
        case 1:
            return "is run-length encoded (8 bits per pixel)";
        case 2:
            return "is run-length encoded (4 bits per pixel)";
        case 4:
            return "holds a JPEG picture";
        case 5:
            return "holds a PNG picture";
        default:
            return "uses compression " + std::to_string(compression);
    }
}

// Why a read failed, from the reader's status and, for a refused variant, the
// header field its note names.
std::string imageProblem(std::string_view path, ImageStatus status, const ImageNote& note) {
    const std::string shown = inQuotes(displayPath(path));
    const std::string value = std::to_string(note.value);
    switch (status) {
        case ImageStatus::CannotOpen:
            return "cannot open image " + shown;
        case ImageStatus::UnknownExtension:
            return "image " + shown + ": the name ends in none of bmp, png, tga";
        case ImageStatus::Unsupported:
            break;
        default:
            return "cannot read image " + shown + ": " + imageStatusText(status);
    }
    const std::string image = "image " + shown;
    switch (note.kind) {
        case ImageNote::Kind::BmpCoreHeader:
            return image + " has the 12-byte OS/2 header; the BMP reader takes headers of 40 bytes or more";
        case ImageNote::Kind::BmpCompression:
            return image + " " + bmpCompressionName(note.value) +
                   "; the BMP reader takes uncompressed and bit-field pixels only";
        case ImageNote::Kind::BmpBitsPerPixel:
            return image + " is a BMP of " + value + (note.value == 1 ? " bit" : " bits") +
                   " per pixel; the BMP reader takes 4, 8, 16, 24 or 32";
        case ImageNote::Kind::TgaImageType:
            return image + " is a " + tgaTypeName(note.value) + " TGA (image type " + value +
                   "); the TGA reader takes uncompressed true colour only";
        case ImageNote::Kind::TgaColourMap:
            return image +
                   " is a true-colour TGA with a colour map; the TGA reader takes true colour without one";
        case ImageNote::Kind::TgaBitsPerPixel:
            return image + " is a TGA of " + value + " bits per pixel; the TGA reader takes 24 or 32";
        default:
            return image + " is a variant the readers do not take";
    }
}

// How a picture that was read will look other than its file intends; empty when
// it looks as intended.
std::string imageWarning(std::string_view path, const ImageNote& note) {
    const std::string image = "image " + inQuotes(displayPath(path));
    switch (note.kind) {
        case ImageNote::Kind::TgaTopOrigin:
            return image + " has its origin at the top: it is drawn the other way up from the same " +
                   "picture saved as a BMP or as a TGA with its origin at the bottom";
        case ImageNote::Kind::BmpColoursMissing:
            return image + " uses colour indexes past the " + std::to_string(note.value) +
                   " colours its colour table holds; those pixels draw black";
        default:
            return "";
    }
}

}  // namespace

// ---------------------------------------------------------------- one scene script

class SceneScriptCheck : public ScriptObserver {
public:
    SceneScriptCheck(Diagnostics& diagnostics, std::string file, bool& fontChecked, DemoRun& run)
        : diagnostics_(diagnostics), file_(std::move(file)), fontChecked_(fontChecked), run_(run) {}

    void notice(const ScriptFinding& f) override;
    void listDeclared(int line, int event, const TokenLine& words) override;
    void objectMade(int line, std::string_view kind, const SceneObject& object) override;
    void loadRead(int line, std::string_view text, const SceneObject* object) override;
    // A look-up of the material library that fell back to the first material.
    void materialMissed(std::string_view wanted) { pendingMisses_.emplace_back(wanted); }
    // The script has been read (and its load list run).
    void finish();

    bool opened() const { return opened_; }
    const std::map<int, int>& eventLines() const { return eventLines_; }

private:
    struct ObjectInfo {
        std::string kind;
        int line = 0;
        bool loaded = false;
        std::vector<std::string> initMisses;  // defaults of the kind that the library lacks
    };
    struct MissedName {
        int line;
        std::string name;
        bool lookAt;
    };

    void warn(int line, std::string message) { diagnostics_.warning(file_, line, std::move(message)); }
    void error(int line, std::string message) { diagnostics_.error(file_, line, std::move(message)); }

    void unknownKeyword(const ScriptFinding& f);
    void missingArguments(const ScriptFinding& f);
    void switchIgnored(const ScriptFinding& f);
    void curveRead(const ScriptFinding& f);
    void checkLoadWord(int line, const SceneObject& object, const ObjectInfo& info, std::string_view text);
    void checkFontPages(int line);

    Diagnostics& diagnostics_;
    std::string file_;
    bool& fontChecked_;
    DemoRun& run_;
    bool opened_ = true;
    std::map<int, int> eventLines_;
    int loadListLine_ = 0;
    int previousDeclaration_ = 0;
    int lastDeclared_ = -1;   // the event of the last "on" line that chose a list; -1 for the load list
    int outOfRangeLine_ = 0;  // the last "on" line, when it chose no list
    std::map<const SceneObject*, ObjectInfo> objects_;
    std::vector<std::pair<std::string, int>> madeNames_;  // in script order
    std::vector<std::string> pendingMisses_;
    std::vector<MissedName> missedNames_;
};

void SceneScriptCheck::notice(const ScriptFinding& f) {
    const std::string text(f.text);
    const std::string keyword = f.words ? f.words->wordString(0) : std::string();
    switch (f.kind) {
        case ScriptFindingKind::CannotOpen:
            opened_ = false;
            break;
        case ScriptFindingKind::UnknownKeyword:
            unknownKeyword(f);
            break;
        case ScriptFindingKind::UnknownListKind:
            warn(f.line, "\"on\" must be followed by \"load\" or \"sync\"; the line changes nothing" +
                             didYouMean(text, {"load", "sync"}));
            break;
        case ScriptFindingKind::EventOutOfRange:
            outOfRangeLine_ = f.line;
            warn(f.line, "event number " + inQuotes(text) + " is outside " + rangeOf(Scene::kEventCount) +
                             "; the commands up to the next \"on\" line are dropped");
            break;
        case ScriptFindingKind::ListDeclaredTwice:
            if (lastDeclared_ < 0)
                warn(f.line, "\"on load\" again (first on " + lineOf(previousDeclaration_) +
                                 "); only the commands after this line remain in the load list");
            else
                warn(f.line, "\"on sync " + std::to_string(lastDeclared_) + "\" again (first on " +
                                 lineOf(previousDeclaration_) +
                                 "); only the commands after this line remain in " + "the list of event " +
                                 std::to_string(lastDeclared_));
            break;
        case ScriptFindingKind::DroppedCommand:
            if (outOfRangeLine_ > 0)
                warn(f.line, inQuotes(text) + " is dropped: the \"on\" line on " + lineOf(outOfRangeLine_) +
                                 " chose no list");
            else
                warn(f.line,
                     inQuotes(text) + " before the first \"on\" line belongs to no list and is dropped");
            break;
        case ScriptFindingKind::MissingArguments:
            missingArguments(f);
            break;
        case ScriptFindingKind::NotANumber:
            warn(f.line, inQuotes(text) + " is not a number and reads as 0");
            break;
        case ScriptFindingKind::UnknownKind:
            warn(f.line, "unknown object kind " + inQuotes(text) + "; the block acts on the camera" +
                             didYouMean(text, KindTable::keywords()));
            break;
        case ScriptFindingKind::NameNotFound:
            missedNames_.push_back({f.line, text, keyword == "lookat"});
            break;
        case ScriptFindingKind::SwitchIgnored:
            switchIgnored(f);
            break;
        case ScriptFindingKind::LoadOutsideBlock:
            warn(f.line, "\"load\" outside a \"new\" block does nothing");
            break;
        case ScriptFindingKind::EndOutsideBlock:
            warn(f.line, "\"end new\" without an open \"new\" block does nothing");
            break;
        case ScriptFindingKind::UnknownEnd:
            warn(f.line, "\"end\" must be followed by \"new\"; the line does nothing");
            break;
        case ScriptFindingKind::CurveRead:
            curveRead(f);
            break;
        case ScriptFindingKind::LineSplit:
            warn(f.line, "line longer than " + std::to_string(kSceneCharsPerRead) +
                             " characters; the rest is read as a line of its own");
            break;
        case ScriptFindingKind::LastLineUnterminated:
            warn(f.line, "the last line has no line end and is ignored");
            break;
        case ScriptFindingKind::UnclosedBlock:
            warn(f.line, "the \"new\" block of " + inQuotes(text) + " is not closed by \"end new\"");
            break;
        case ScriptFindingKind::LineStartsWithCr:
            warn(f.line, "the line starts with a carriage return and is ignored");
            break;
    }
}

void SceneScriptCheck::unknownKeyword(const ScriptFinding& f) {
    const std::vector<std::string_view> keywords = sceneScriptKeywords();
    if (!f.words || !looksLikeCommand(*f.words, keywords)) return;
    warn(f.line,
         "unknown keyword " + inQuotes(f.text) + "; the line is ignored" + didYouMean(f.text, keywords));
}

void SceneScriptCheck::missingArguments(const ScriptFinding& f) {
    if (!f.words) return;
    const TokenLine& w = *f.words;
    const std::string& keyword = w.wordString(0);
    if (keyword == "new") {
        warn(f.line, "\"new\" without an object name; the object is named " + inQuotes(w.wordString(2)));
    } else if (keyword == "on") {
        warn(f.line, "\"on sync\" without an event number chooses event " +
                         std::to_string(scriptInt(w.wordString(2))));
    } else {
        int words = 1;
        for (const SceneCommandArity& a : sceneCommandArities())
            if (a.keyword == keyword) words = a.words;
        const bool three = words == 3;
        const int has = w.count() - 1;
        warn(f.line, inQuotes(keyword) + " needs " + (three ? "3 values" : "a value") + " and has " +
                         (has == 0 ? "none" : std::to_string(has)) +
                         "; the missing words repeat the line's own words");
    }
}

void SceneScriptCheck::listDeclared(int line, int event, const TokenLine& words) {
    outOfRangeLine_ = 0;
    lastDeclared_ = event;
    if (event < 0) {
        previousDeclaration_ = loadListLine_;
        loadListLine_ = line;
        return;
    }
    previousDeclaration_ = eventLines_.count(event) ? eventLines_[event] : 0;
    eventLines_[event] = line;
    const std::string& number = words.wordString(2);
    if (words.count() < 3 || isDecimal(number)) return;
    const long hex = hexValue(number);
    if (hex >= 0)
        warn(line, "event number " + inQuotes(number) + " is read as " + std::to_string(event) +
                       ": event numbers are decimal, so " + hexName(hex) + " is \"on sync " +
                       std::to_string(hex) + "\"");
    else
        warn(line, "event number " + inQuotes(number) + " is read as " + std::to_string(event) +
                       ": event numbers are decimal");
}

void SceneScriptCheck::switchIgnored(const ScriptFinding& f) {
    const std::string keyword = f.words ? f.words->wordString(0) : std::string();
    const char first = f.text.empty() ? '\0' : f.text[0];
    if (keyword == "looping" && (first == '0' || first == '1'))
        warn(f.line, "\"looping " + std::string(f.text) + "\" does nothing: looping takes only t or f");
    else
        warn(f.line, "switch value " + inQuotes(f.text) +
                         " is not understood (it must start with 1, t, 0 or f); " + inQuotes(keyword) +
                         " does nothing");
}

void SceneScriptCheck::curveRead(const ScriptFinding& f) {
    const std::string shown = inQuotes(displayPath(f.text));
    switch (f.curveResult) {
        case Curve::LoadResult::Loaded:
            break;
        case Curve::LoadResult::CannotOpen:
            error(f.line, "cannot open curve " + shown);
            break;
        case Curve::LoadResult::Empty:
            error(f.line, "curve " + shown + " is empty; nothing follows it");
            break;
        case Curve::LoadResult::BadSegmentCount:
            error(f.line, "curve " + shown + " has a segment count outside " + rangeOf(Curve::kMaxKeys) +
                              "; nothing follows it");
            break;
        case Curve::LoadResult::Truncated:
            error(f.line, "curve " + shown +
                              " ends before the keys its segment count names; it is damaged (the keys "
                              "past its end are at the origin)");
            break;
    }
}

void SceneScriptCheck::objectMade(int line, std::string_view kind, const SceneObject& object) {
    ObjectInfo info;
    info.kind = std::string(kind);
    info.line = line;
    info.initMisses = std::move(pendingMisses_);
    pendingMisses_.clear();
    if (object.name) madeNames_.emplace_back(*object.name, line);
    objects_[&object] = std::move(info);
    if (kind == "text") checkFontPages(line);
}

void SceneScriptCheck::loadRead(int line, std::string_view text, const SceneObject* object) {
    std::vector<std::string> misses = std::move(pendingMisses_);
    pendingMisses_.clear();
    auto it = objects_.find(object);
    const bool singleName =
        it != objects_.end() &&
        (it->second.kind == "cube" || it->second.kind == "invcube" || it->second.kind == "square");
    for (const std::string& name : misses) {
        std::string message = "no material " + inQuotes(name) + "; " + firstMaterialNote(run_.materials);
        if (singleName && name.find(',') != std::string::npos)
            message += " (a " + it->second.kind + " takes one material name, commas included)";
        warn(line, message);
    }
    if (it == objects_.end()) return;
    it->second.loaded = true;
    checkLoadWord(line, *object, it->second, text);
}

void SceneScriptCheck::checkLoadWord(int line, const SceneObject& object, const ObjectInfo& info,
                                     std::string_view text) {
    TokenLine items;
    items.splitList(text);
    const int count = items.count();
    if (info.kind == "symbols" && count > Symbols::kUsedSlots) {
        warn(line, "symbols show at most ten pictures; this \"load\" word names " + std::to_string(count));
    } else if (info.kind == "fog") {
        const std::string& first = items.wordString(0);
        if (count >= Fog::kItems || (count == 1 && first == "end")) return;
        if (first == "end")
            warn(line, "the fog items after \"end\" are ignored");
        else
            warn(line,
                 "a fog \"load\" word is \"end\" or eight items (start, red, green, blue, alpha, density, "
                 "start and end distance); " +
                     std::string(count == 1 ? "this one item changes"
                                            : "these " + std::to_string(count) + " items change") +
                     " nothing");
    } else if (const auto* model = dynamic_cast<const StdModel*>(&object); model && count > 0) {
        const std::string& problem = model->model.problem();
        if (!problem.empty())
            error(line, "model " + inQuotes(displayPath(items.wordString(0))) + ": " + problem);
    } else if (info.kind == "text" && count > 0) {
        const std::string& shown = items.wordString(0);
        std::string missing;
        std::set<unsigned char> seen;
        for (char ch : shown) {
            const auto c = static_cast<unsigned char>(ch);
            if (fontDraws(c) || !seen.insert(c).second) continue;
            missing += describeCharacter(c);
        }
        if (!missing.empty())
            warn(line, "the font has no glyphs for " + inQuotes(missing) +
                           " (it draws a-z, blanks and { | } ~; a full stop starts a new line)");
    }
}

void SceneScriptCheck::checkFontPages(int line) {
    if (fontChecked_) return;
    fontChecked_ = true;
    for (std::string_view page : kFontPages) {
        Texture texture;
        if (!texture.loadImage(page, run_.files))
            error(line, "font page: " + imageProblem(page, texture.status(), texture.note()));
        else if (const std::string warning = imageWarning(page, texture.note()); !warning.empty())
            warn(line, "font page: " + warning);
    }
}

void SceneScriptCheck::finish() {
    pendingMisses_.clear();  // from the load list's triggers: not tied to a line
    std::vector<std::string_view> names = {"Camera"};
    for (const auto& [name, line] : madeNames_) names.push_back(name);
    for (const MissedName& missed : missedNames_) {
        const std::string consequence =
            missed.lookAt ? "the look-at target is the camera" : "commands will act on the camera";
        const auto later = std::find_if(madeNames_.begin(), madeNames_.end(),
                                        [&](const auto& made) { return made.first == missed.name; });
        if (later != madeNames_.end())
            warn(missed.line, "unknown object " + inQuotes(missed.name) +
                                  " at this point (it is made later, on " + lineOf(later->second) + "); " +
                                  consequence);
        else
            warn(missed.line, "unknown object " + inQuotes(missed.name) + "; " + consequence +
                                  didYouMean(missed.name, names));
    }
    for (const auto& [object, info] : objects_) {
        if (info.loaded) continue;
        for (const std::string& name : info.initMisses)
            warn(info.line, "no material " + inQuotes(name) + " for the " + info.kind +
                                "'s default, and no \"load\" line names one; " +
                                firstMaterialNote(run_.materials));
    }
}

// ---------------------------------------------------------------- the globals script

ScriptCheck::ScriptCheck(Diagnostics& diagnostics, std::string globalsFile, DemoRun& run)
    : diagnostics_(diagnostics), globalsFile_(std::move(globalsFile)), run_(run) {}

ScriptCheck::~ScriptCheck() {
    run_.materials.setMissObserver({});
}

void ScriptCheck::attach() {
    run_.materials.setMissObserver([this](std::string_view wanted) {
        if (reading_) reading_->materialMissed(wanted);
    });
}

ScriptObserver* ScriptCheck::sceneObserver(int /*line*/, std::string_view path) {
    reading_ = std::make_unique<SceneScriptCheck>(diagnostics_, displayPath(path), fontChecked_, run_);
    return reading_.get();
}

void ScriptCheck::notice(const GlobalsFinding& f) {
    const std::string text(f.text);
    switch (f.kind) {
        case GlobalsFindingKind::UnknownKeyword:
            if (f.words && looksLikeCommand(*f.words, globalsKeywords()))
                warn(f.line, "unknown keyword " + inQuotes(text) + "; the line is ignored" +
                                 didYouMean(text, globalsKeywords()));
            break;
        case GlobalsFindingKind::NewWithoutScene:
            warn(f.line,
                 "\"new\" must be followed by \"scene\"; the line is ignored" + didYouMean(text, {"scene"}));
            break;
        case GlobalsFindingKind::UnknownMusicWord:
            warn(f.line, "\"music\" must be followed by \"on\", \"off\" or \"file\"; the line is ignored" +
                             didYouMean(text, {"on", "off", "file"}));
            break;
        case GlobalsFindingKind::MusicOpened:
            break;
        case GlobalsFindingKind::SongIgnored:
            songIgnored_ = true;
            warn(f.line,
                 "\"music file\" before any \"music on\" or \"music off\" loads nothing; no music plays");
            break;
        case GlobalsFindingKind::SongLoaded:
            facts_.songs.push_back({text, f.line});
            break;
        case GlobalsFindingKind::SceneRead:
            sceneRead(f);
            break;
        case GlobalsFindingKind::PlaylistSet:
            facts_.playlistLine = f.line;
            if (f.words && f.words->count() < 2)
                warn(f.line, "\"scenes\" names no scene; an empty scene plays");
            break;
        case GlobalsFindingKind::PlaylistNameNotFound:
            missingScenes_.emplace_back(f.line, text);
            break;
        case GlobalsFindingKind::ScenesLineTooLong:
            warn(f.line, "\"scenes\" line of " + std::to_string(f.words ? f.words->count() : 0) +
                             " words, more than " + std::to_string(Demo::kPlaylistSize) +
                             ": the reading of the script stops here");
            break;
        case GlobalsFindingKind::LineStartsWithCr:
            if (hasContent(f.text)) warn(f.line, "the line starts with a carriage return and is skipped");
            break;
        case GlobalsFindingKind::LineSplit:
            warn(f.line, "line longer than " + std::to_string(kGlobalsCharsPerRead) +
                             " characters; the rest is read as a line of its own");
            break;
        case GlobalsFindingKind::LastLineUnterminated:
            warn(f.line, "the last line has no line end and is ignored");
            break;
    }
}

void ScriptCheck::sceneRead(const GlobalsFinding& f) {
    SceneFacts facts;
    facts.scene = f.scene;
    facts.file = displayPath(f.text);
    facts.globalsLine = f.line;
    if (reading_) {
        reading_->finish();
        facts.opened = reading_->opened();
        facts.eventLines = reading_->eventLines();
        reading_.reset();
    }
    if (!facts.opened)
        diagnostics_.error(globalsFile_, f.line, "cannot open scene script " + inQuotes(facts.file));
    const std::string name = f.scene && f.scene->name ? *f.scene->name : std::string();
    if (f.words && f.words->count() < 4)
        warn(f.line, "\"new scene\" without a scene name; the scene is named " + inQuotes(name));
    for (const SceneFacts& earlier : facts_.scenes) {
        if (earlier.scene && earlier.scene->name == name) {
            warn(f.line, "a scene named " + inQuotes(name) + " exists already (" +
                             lineOf(earlier.globalsLine) + "); the playlist always finds that one");
            break;
        }
    }
    facts_.scenes.push_back(std::move(facts));
}

void ScriptCheck::finish(const Demo& demo) {
    run_.materials.setMissObserver({});
    reading_.reset();
    // A playlist takes the scenes made before its line: a scene made after it is missed.
    std::vector<std::string_view> names;
    for (const SceneFacts& s : facts_.scenes)
        if (s.scene && s.scene->name) names.push_back(*s.scene->name);
    for (const auto& missing : missingScenes_) {
        const int line = missing.first;
        const std::string& name = missing.second;
        const auto later = std::find_if(facts_.scenes.begin(), facts_.scenes.end(), [&](const SceneFacts& s) {
            return s.globalsLine > line && s.scene && s.scene->name == name;
        });
        if (later != facts_.scenes.end())
            warn(line, "no scene named " + inQuotes(name) + " at this point (it is made later, on " +
                           lineOf(later->globalsLine) + "); an empty scene plays in its place");
        else
            warn(line, "no scene named " + inQuotes(name) + "; an empty scene plays in its place" +
                           didYouMean(name, names));
    }
    if (facts_.playlistLine == 0) {
        warn(0, "no \"scenes\" line: the demo plays an empty scene");
    } else {
        for (const SceneFacts& s : facts_.scenes) {
            const bool played =
                std::find(demo.playlist.begin(), demo.playlist.end(), s.scene) != demo.playlist.end();
            if (!played && s.scene && s.scene->name)
                warn(s.globalsLine, "scene " + inQuotes(*s.scene->name) + " is not in the playlist");
        }
    }
    if (facts_.songs.empty() && !songIgnored_)
        warn(0, "no \"music file\" line: no song plays, so no sync events come");
}

// ---------------------------------------------------------------- the materials script

bool checkMaterials(Diagnostics& diagnostics, MaterialLibrary& materials, std::string_view path) {
    const std::string file = displayPath(path);
    int cutShortLine = -1, cutShortField = -1;
    bool extraReported = false;
    const bool read = materials.load(path, [&](const MaterialFinding& f) {
        using Kind = MaterialFinding::Kind;
        const char* const what = f.fieldIndex <= 3 ? "wrap mode" : "filter";
        switch (f.kind) {
            case Kind::ImageRead:
                if (f.image != ImageStatus::Ok)
                    diagnostics.error(file, f.line, imageProblem(f.text, f.image, f.imageNote));
                else if (const std::string warning = imageWarning(f.text, f.imageNote); !warning.empty())
                    diagnostics.warning(file, f.line, warning);
                extraReported = false;
                break;
            case Kind::UnknownKeyword: {
                const std::vector<std::string_view> keywords = MaterialLibrary::keywordsOfField(f.fieldIndex);
                diagnostics.warning(file, f.line,
                                    inQuotes(f.text) + " is not a " + what + "; the one stored last is used" +
                                        didYouMean(f.text, keywords));
                break;
            }
            case Kind::BlanksAroundKeyword:
                diagnostics.warning(file, f.line,
                                    "blanks around the " + std::string(what) + " " + inQuotes(f.text) +
                                        " make it unknown; the one stored last is used");
                break;
            case Kind::NotANumber:
                if (f.line == cutShortLine && f.fieldIndex == cutShortField) break;
                diagnostics.warning(file, f.line,
                                    "colour field " + inQuotes(f.text) + " is not a number and reads as 0");
                break;
            case Kind::FieldTooLong:
                diagnostics.warning(file, f.line,
                                    "field longer than " + std::to_string(MaterialLibrary::kMaxFieldLength) +
                                        " characters; the rest of it is dropped");
                break;
            case Kind::ExtraField:
                if (!extraReported)
                    diagnostics.warning(
                        file, f.line,
                        "the record has more than ten fields; the ones after the alpha field are "
                        "ignored (a missing \";\"?)");
                extraReported = true;
                break;
            case Kind::RecordCutShort:
                cutShortLine = f.line;
                cutShortField = f.fieldIndex;
                diagnostics.warning(file, f.line,
                                    "record cut short: \";\" ends it after " +
                                        std::to_string(f.fieldIndex + 1) +
                                        " of its ten fields; the fields not reached keep their defaults");
                break;
            case Kind::RecordNotEnded:
                diagnostics.warning(file, f.line,
                                    "the last record has no \";\"; its last field is not acted on");
                break;
            case Kind::TooManyRecords:
                diagnostics.warning(file, f.line,
                                    "only the first " + std::to_string(MaterialLibrary::kMaxRecords) +
                                        " records are read; the rest of the script is ignored");
                break;
        }
    });
    if (!read) diagnostics.error(file, 0, "cannot open the materials script");
    return read;
}

}  // namespace qm::check
