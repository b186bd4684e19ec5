// globals_findings.h -- what the globals script reader noticed about the script, for tools that check
// scripts.
#pragma once

#include <string_view>
#include <vector>

namespace qm {

class Scene;
class ScriptObserver;
class TokenLine;

// Everything the globals reader treats specially, and the lines that make the
// demo. The player passes no observer and stays silent.
enum class GlobalsFindingKind {
    UnknownKeyword,        // word 0 is none of new, music, scenes: the line is ignored (also the comment
                           // convention)
    NewWithoutScene,       // "new" not followed by "scene": the line is ignored
    UnknownMusicWord,      // "music" followed by other than on, off, file: the line is ignored
    MusicOpened,           // "music on" / "music off"; `text` is "on" or "off"
    SongIgnored,           // "music file" before any "music on" or "music off": nothing is loaded
    SongLoaded,            // "music file" handed its song to the music player; `text` is the path
    SceneRead,             // "new scene" read a scene script (see `scene`); `text` is the script's path
    PlaylistSet,           // a "scenes" line set the playlist
    PlaylistNameNotFound,  // a name of a "scenes" line that no scene bears: the empty scene plays there
    ScenesLineTooLong,     // a "scenes" line of more than 256 words: the reading stops at this line
    LineStartsWithCr,      // skipped, not even echoed
    LineSplit,             // a line longer than a read: its rest is handled as a line of its own
    LastLineUnterminated,  // the last line has no line end and is not handled
};

struct GlobalsFinding {
    int line = 0;  // 1-based line number in the file
    GlobalsFindingKind kind{};
    std::string_view text;             // the word (or line) concerned; valid during the call only
    const TokenLine* words = nullptr;  // the line's words, when it has been split; valid during the call only
    const Scene* scene = nullptr;      // SceneRead: the scene made by the line
};

class GlobalsObserver {
public:
    virtual ~GlobalsObserver() = default;
    virtual void notice(const GlobalsFinding& finding) = 0;
    // The observer for the scene script that the "new scene" line `line` is about
    // to read; null for none.
    virtual ScriptObserver* sceneObserver(int /*line*/, std::string_view /*path*/) { return nullptr; }
};

// The globals script is read in pieces of at most this many characters (a
// 1024-byte line buffer); a longer line goes on as a line of its own.
inline constexpr int kGlobalsCharsPerRead = 1022;

// Every word that starts a line the globals reader acts on.
std::vector<std::string_view> globalsKeywords();

}  // namespace qm
