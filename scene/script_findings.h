// script_findings.h -- what the scene script reader noticed about a script, for tools that check scripts.
#pragma once

#include <string_view>
#include <vector>

#include "scene/curve.h"

namespace qm {

class SceneObject;
class TokenLine;

// Everything the reader treats specially. The player passes no observer and
// stays silent; a script checker turns these into diagnostics.
enum class ScriptFindingKind {
    CannotOpen,            // the file cannot be opened: the scene stays as it was
    UnknownKeyword,        // word 0 is no keyword: the line is ignored (also the comment convention)
    UnknownListKind,       // "on" followed by other than "load" or "sync": nothing changes
    EventOutOfRange,       // "on sync" n outside 0..255: lines up to the next "on" are dropped
    ListDeclaredTwice,     // a second "on" line for a list: the commands after the first are lost
    DroppedCommand,        // a command line with no list to join (before the first "on", or after a bad one)
    MissingArguments,      // fewer words than the keyword reads: missing ones wrap around to earlier words
    NotANumber,            // a value word that does not start with a number: it reads as 0
    UnknownKind,           // "new" with a kind the factory does not know: the block acts on the root camera
    NameNotFound,          // "select" / "lookat" of a name the scene does not have: the root camera
    SwitchIgnored,         // a switch value whose first character is not understood: nothing is appended
    LoadOutsideBlock,      // "load" with no open "new" block: nothing happens
    EndOutsideBlock,       // "end new" with no open "new" block: nothing happens
    UnknownEnd,            // "end" followed by other than "new": nothing happens
    CurveRead,             // a "curve" line read its file; see `curveResult`
    LineSplit,             // a line longer than a read: its rest is handled as a line of its own
    LastLineUnterminated,  // the last line has no line end and is not handled
    UnclosedBlock,         // the file ends inside a "new" block
    LineStartsWithCr,      // a carriage return before the line's words: its word 0 is empty, it is ignored
};

struct ScriptFinding {
    int line = 0;  // 1-based line number in the file
    ScriptFindingKind kind{};
    std::string_view text;  // the word (or line) concerned; valid during the call only
    Curve::LoadResult curveResult = Curve::LoadResult::Loaded;  // for CurveRead
    const TokenLine* words = nullptr;  // the line's words, when it has been split; valid during the call only
};

class ScriptObserver {
public:
    virtual ~ScriptObserver() = default;
    virtual void notice(const ScriptFinding& finding) = 0;

    // The lines that build the scene, for tools that follow them; nothing by default.
    // An "on" line chose a list: `event` is its number, -1 for the load list.
    virtual void listDeclared(int /*line*/, int /*event*/, const TokenLine& /*words*/) {}
    // A "new" line made and attached an object of a known kind.
    virtual void objectMade(int /*line*/, std::string_view /*kind*/, const SceneObject& /*object*/) {}
    // A "load" line handed its parameter word to the object of its block (null when
    // no scene was active).
    virtual void loadRead(int /*line*/, std::string_view /*text*/, const SceneObject* /*object*/) {}
};

// A scene script is read in pieces of at most this many characters (a 256-byte
// line buffer); a longer line goes on as a line of its own.
inline constexpr int kSceneCharsPerRead = 254;

// Every word that starts a line the scene script reader acts on.
std::vector<std::string_view> sceneScriptKeywords();

// A command keyword and how many words after it it reads.
struct SceneCommandArity {
    std::string_view keyword;
    int words;
};
// Every command keyword of the scene scripts, with its arity, in the reader's order.
std::vector<SceneCommandArity> sceneCommandArities();

}  // namespace qm
