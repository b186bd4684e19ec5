// scene_reader.cpp -- the scene script reader: makes a script's objects and fills the scene's command lists.
#include <bitset>
#include <optional>
#include <vector>

#include "base/paths.h"
#include "base/trace.h"
#include "scene/object_factory.h"
#include "scene/scene.h"
#include "scene/script_findings.h"
#include "script/line_reader.h"
#include "script/script_number.h"
#include "script/token_line.h"

namespace qm {

namespace {

// What the words after a command keyword hold.
enum class Arguments {
    Name,           // an object name: Select
    Value,          // one number in x
    Target,         // an object name whose position is the look-at target, or "none"
    Values,         // three numbers in x, y, z
    Switch,         // first character 1/t or 0/f
    LoopingSwitch,  // first character t or f only
    CurveFile,      // a curve file, or "none"
    ScaleVector,    // three numbers in a vector the object borrows, or "none"
    VectorValues,   // three numbers in a vector read when the command runs
};

struct CommandKeyword {
    std::string_view keyword;
    CommandType type;
    Arguments arguments;
};

constexpr CommandKeyword kCommandKeywords[] = {
    {"select", CommandType::Select, Arguments::Name},
    {"jump", CommandType::SetCurveTime, Arguments::Value},
    {"speed", CommandType::SetCurveSpeed, Arguments::Value},
    {"lookat", CommandType::SetLookAt, Arguments::Target},
    {"rotation", CommandType::SetRotation, Arguments::Values},
    {"rotate", CommandType::SetRotateSpeed, Arguments::Values},
    {"rotating", CommandType::SetRotating, Arguments::Switch},
    {"position", CommandType::SetPosition, Arguments::Values},
    {"sync", CommandType::Trigger, Arguments::Value},
    {"curve", CommandType::SetCurve, Arguments::CurveFile},
    // Only "t" and "f" switch looping; "1" and "0" do nothing. Deliberate.
    {"looping", CommandType::SetLooping, Arguments::LoopingSwitch},
    {"enabled", CommandType::SetEnabled, Arguments::Switch},
    // Spelled so on purpose: there is no "visible" keyword.
    {"visable", CommandType::SetVisible, Arguments::Switch},
    {"moving", CommandType::SetMoving, Arguments::Switch},
    {"scale", CommandType::SetScale, Arguments::ScaleVector},
    {"minscale", CommandType::SetMinScale, Arguments::VectorValues},
    {"maxscale", CommandType::SetMaxScale, Arguments::VectorValues},
    {"scalespeed", CommandType::SetScaleSpeed, Arguments::VectorValues},
};

int argumentWords(Arguments a) {
    switch (a) {
        case Arguments::Values:
        case Arguments::ScaleVector:
        case Arguments::VectorValues:
            return 3;
        default:
            return 1;
    }
}

class SceneReader {
public:
    SceneReader(Scene& scene, ScriptObserver* observer) : scene_(scene), observer_(observer) {}

    // Handles one piece of the file (a line, or part of a long one).
    void handle(const LinePiece& piece);
    // The read that met the end of the file: its text is not handled.
    void atEnd(const LinePiece& piece);

private:
    void note(ScriptFindingKind kind, std::string_view text = {},
              Curve::LoadResult curveResult = Curve::LoadResult::Loaded) {
        if (observer_) observer_->notice({line_, kind, text, curveResult, lineWords_});
    }
    void checkArgumentCount(int arguments) {
        if (words_.count() < 1 + arguments) note(ScriptFindingKind::MissingArguments, words_.wordString(0));
    }

    void handleWords();
    void handleSplitLine(std::string_view text);
    void handleOn();
    void handleNew();
    void handleEnd();
    void handleLoad();
    void handleCommand(const CommandKeyword& keyword);
    void declareList(CommandList* list, int index);
    void attach(std::unique_ptr<SceneObject> object);

    float number(int index);
    std::optional<bool> switchValue(bool loopingOnly);
    SceneObject* findObject(std::string_view name);

    Scene& scene_;
    ScriptObserver* observer_;
    TokenLine words_;
    CommandList* list_ = nullptr;  // the current list; none before the first "on"
    // The open "new" blocks, innermost last: the object each acts on, and its line.
    struct Block {
        SceneObject* object;
        int line;
    };
    std::vector<Block> blocks_;
    std::bitset<Scene::kEventCount + 1> declared_;  // event lists, then the load list
    int line_ = 1;
    const TokenLine* lineWords_ = nullptr;  // the words of the line being handled, once split
};

void SceneReader::handle(const LinePiece& piece) {
    lineWords_ = nullptr;
    if (piece.truncatedLine) note(ScriptFindingKind::LineSplit);
    // A piece that starts with a line feed is skipped: an empty line, or the line
    // end of a line that filled a whole read.
    if (piece.text.empty() || piece.text[0] != '\n') handleSplitLine(piece.text);
    if (piece.endsLine) ++line_;
}

void SceneReader::handleSplitLine(std::string_view text) {
    words_.splitWords(text);
    lineWords_ = &words_;
    // A leading carriage return makes word 0 empty, so the line is ignored.
    if (text.starts_with('\r') && words_.count() > 1) note(ScriptFindingKind::LineStartsWithCr, text);
    handleWords();
}

void SceneReader::atEnd(const LinePiece& piece) {
    // Deliberate: a last line without a line end is never handled.
    if (!piece.text.empty()) note(ScriptFindingKind::LastLineUnterminated, piece.text);
    if (!blocks_.empty()) {
        const Block& open = blocks_.back();
        line_ = open.line;
        note(ScriptFindingKind::UnclosedBlock, open.object && open.object->name ? *open.object->name : "");
    }
}

void SceneReader::handleWords() {
    const std::string& keyword = words_.wordString(0);
    if (keyword == "on") return handleOn();
    if (keyword == "new") return handleNew();
    if (keyword == "end") return handleEnd();
    if (keyword == "load") return handleLoad();
    for (const CommandKeyword& k : kCommandKeywords)
        if (keyword == k.keyword) return handleCommand(k);
    if (!keyword.empty()) note(ScriptFindingKind::UnknownKeyword, keyword);
}

void SceneReader::declareList(CommandList* list, int index) {
    if (observer_) observer_->listDeclared(line_, index < Scene::kEventCount ? index : -1, words_);
    if (declared_.test(static_cast<size_t>(index))) note(ScriptFindingKind::ListDeclaredTwice);
    declared_.set(static_cast<size_t>(index));
    // A list declared twice keeps only what follows the second declaration.
    list->clear();
    list_ = list;
}

void SceneReader::handleOn() {
    const std::string& which = words_.wordString(1);
    if (which == "load") {
        declareList(&scene_.loadList, Scene::kEventCount);
    } else if (which == "sync") {
        // "on sync" without a number reads "on" as the number: event list 0.
        checkArgumentCount(2);
        const int n = scriptInt(words_.wordString(2));
        if (n >= 0 && n < Scene::kEventCount) {
            declareList(&scene_.eventLists[n], n);
        } else {
            note(ScriptFindingKind::EventOutOfRange, words_.wordString(2));
            list_ = nullptr;  // no list: lines up to the next "on" are dropped
        }
    } else {
        note(ScriptFindingKind::UnknownListKind, which);
    }
}

void SceneReader::attach(std::unique_ptr<SceneObject> object) {
    SceneObject* parent = blocks_.empty() ? nullptr : blocks_.back().object;
    if (!parent) {
        scene_.objects.add(std::move(object));
    } else if (parent->firstChild) {
        parent->firstChild->appendToTree(std::move(object));
    } else {
        SceneObject* raw = object.get();
        object->prev = parent;
        parent->firstChild = std::move(object);
        raw->init();
    }
}

void SceneReader::handleNew() {
    // "new cube" without a name names the object "new": word 2 wraps to word 0.
    checkArgumentCount(2);
    Stage& stage = scene_.stage();
    std::unique_ptr<SceneObject> made =
        stage.factory ? stage.factory->create(words_.wordString(1), words_.wordString(2)) : nullptr;
    // An unknown kind makes nothing: the block acts on the root camera, which is
    // already in its tree and not attached again.
    SceneObject* object = made ? made.get() : stage.root;
    if (made) {
        attach(std::move(made));
        if (observer_) observer_->objectMade(line_, words_.wordString(1), *object);
    } else {
        note(ScriptFindingKind::UnknownKind, words_.wordString(1));
    }
    if (list_) {
        Command select;
        select.type = CommandType::Select;
        select.object = object;
        list_->append(std::move(select));
    }
    blocks_.push_back({object, line_});
}

void SceneReader::handleEnd() {
    if (words_.wordString(1) != "new") {
        note(ScriptFindingKind::UnknownEnd, words_.wordString(1));
        return;
    }
    if (blocks_.empty()) {
        note(ScriptFindingKind::EndOutsideBlock);
        return;
    }
    blocks_.pop_back();
}

void SceneReader::handleLoad() {
    if (blocks_.empty()) {
        note(ScriptFindingKind::LoadOutsideBlock);
        return;
    }
    const std::string& text = words_.wordString(1);
    SceneObject* object = blocks_.back().object;
    if (object) object->load(text);
    scene_.stage().trace.line(text);
    if (observer_) observer_->loadRead(line_, text, object);
}

float SceneReader::number(int index) {
    bool isNumber = false;
    const float value = scriptFloat(words_.wordString(index), &isNumber);
    if (!isNumber && index < words_.count()) note(ScriptFindingKind::NotANumber, words_.wordString(index));
    return value;
}

std::optional<bool> SceneReader::switchValue(bool loopingOnly) {
    const char c = words_.word(1)[0];
    if (c == 't' || (c == '1' && !loopingOnly)) return true;
    if (c == 'f' || (c == '0' && !loopingOnly)) return false;
    note(ScriptFindingKind::SwitchIgnored, words_.wordString(1));
    return std::nullopt;
}

SceneObject* SceneReader::findObject(std::string_view name) {
    // As ObjectTree::find, searching once: the first object of that name, else the root camera.
    SceneObject* found = scene_.objects.root ? scene_.objects.root->findByName(name) : nullptr;
    if (found) return found;
    note(ScriptFindingKind::NameNotFound, name);
    return scene_.stage().root;
}

void SceneReader::handleCommand(const CommandKeyword& keyword) {
    if (!list_) {
        note(ScriptFindingKind::DroppedCommand, keyword.keyword);
        return;
    }
    const std::string& first = words_.wordString(1);
    const bool none = first == "none";
    if (!(none && (keyword.arguments == Arguments::Target || keyword.arguments == Arguments::CurveFile ||
                   keyword.arguments == Arguments::ScaleVector)))
        checkArgumentCount(argumentWords(keyword.arguments));

    Command command;
    command.type = keyword.type;
    switch (keyword.arguments) {
        case Arguments::Name:
            command.object = findObject(first);
            break;
        case Arguments::Value:
            command.x = number(1);
            break;
        case Arguments::Target:
            if (!none)
                if (SceneObject* target = findObject(first)) command.vector = &target->position;
            break;
        case Arguments::Values:
            command.x = number(1);
            command.y = number(2);
            command.z = number(3);
            break;
        case Arguments::Switch:
        case Arguments::LoopingSwitch: {
            const std::optional<bool> value = switchValue(keyword.arguments == Arguments::LoopingSwitch);
            if (!value) return;
            command.flag = *value;
            break;
        }
        case Arguments::CurveFile:
            if (!none) {
                // One new curve per line, read now, even when two lines name the same file.
                auto curve = std::make_unique<Curve>();
                const Curve::LoadResult result = curve->load(first, scene_.stage().files);
                note(ScriptFindingKind::CurveRead, first, result);
                command.curve = curve.get();
                scene_.curves.push_back(std::move(curve));
            }
            break;
        case Arguments::ScaleVector:
        case Arguments::VectorValues:
            if (keyword.arguments == Arguments::ScaleVector && none) break;
            command.storage = std::make_unique<Vec3>(Vec3{number(1), number(2), number(3)});
            command.vector = command.storage.get();
            break;
    }
    list_->append(std::move(command));
}

}  // namespace

std::vector<std::string_view> sceneScriptKeywords() {
    std::vector<std::string_view> keywords = {"on", "new", "end", "load"};
    for (const CommandKeyword& k : kCommandKeywords) keywords.push_back(k.keyword);
    return keywords;
}

std::vector<SceneCommandArity> sceneCommandArities() {
    std::vector<SceneCommandArity> arities;
    for (const CommandKeyword& k : kCommandKeywords)
        arities.push_back({k.keyword, argumentWords(k.arguments)});
    return arities;
}

int Scene::load(std::string_view path, ScriptObserver* observer) {
    // Read before touching anything, so that a missing file leaves the scene as it was.
    std::string bytes;
    if (!stage_.files.read(path, bytes)) {
        if (observer) observer->notice({0, ScriptFindingKind::CannotOpen, path, Curve::LoadResult::Loaded});
        return 0;
    }
    forgetPreviousScript();
    scriptRead_ = true;

    SceneReader reader(*this, observer);
    LineReader lines(bytes);
    for (;;) {
        const LinePiece piece = lines.next(kSceneCharsPerRead);
        if (piece.metEnd) {
            reader.atEnd(piece);
            break;
        }
        reader.handle(piece);
    }
    loadList.run(stage_);
    return 0;
}

}  // namespace qm
