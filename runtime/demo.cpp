// demo.cpp -- the globals script reader and the playlist.
#include "runtime/demo.h"

#include "base/paths.h"
#include "base/trace.h"
#include "music/music_player.h"
#include "runtime/globals_findings.h"
#include "script/line_reader.h"
#include "script/token_line.h"

namespace qm {

namespace {

// A "scenes" line may hold at most this many words (255 names).
constexpr int kMaxScenesWords = Demo::kPlaylistSize;

// The line count and the observer of one reading; silent without an observer.
class GlobalsNotes {
public:
    explicit GlobalsNotes(GlobalsObserver* observer) : observer_(observer) {}

    void note(GlobalsFindingKind kind, std::string_view text = {}, const TokenLine* words = nullptr,
              const Scene* scene = nullptr) {
        if (observer_) observer_->notice({line, kind, text, words, scene});
    }
    ScriptObserver* sceneObserver(std::string_view path) {
        return observer_ ? observer_->sceneObserver(line, path) : nullptr;
    }

    int line = 1;

private:
    GlobalsObserver* observer_;
};

void echo(const Trace& trace, std::string_view line) {
    trace.write("\"");
    trace.write(trimmedCopy(line));
    trace.line("\"");
    trace.flush();
}

}  // namespace

std::vector<std::string_view> globalsKeywords() {
    return {"new", "music", "scenes"};
}

bool Demo::load(std::string_view path, GlobalsObserver* observer) {
    std::string bytes;
    if (!stage_.files.read(path, bytes)) return false;

    GlobalsNotes notes(observer);
    TokenLine words;
    LineReader lines(bytes);
    for (;;) {
        // A read that meets the end of the file ends the script: its last line is
        // only read when it has a line end. Deliberate.
        const LinePiece piece = lines.next(kGlobalsCharsPerRead);
        if (piece.metEnd) {
            if (!piece.text.empty()) notes.note(GlobalsFindingKind::LastLineUnterminated, piece.text);
            break;
        }
        if (piece.truncatedLine) notes.note(GlobalsFindingKind::LineSplit);
        const int nextLine = notes.line + (piece.endsLine ? 1 : 0);
        if (!piece.text.empty() && piece.text[0] == '\r') {  // not even echoed
            notes.note(GlobalsFindingKind::LineStartsWithCr, piece.text);
            notes.line = nextLine;
            continue;
        }
        words.splitWords(piece.text);
        echo(stage_.trace, piece.text);

        const std::string& keyword = words.wordString(0);
        if (keyword == "new" && words.wordString(1) == "scene") {
            // The new scene is active while its script is read: failed look-ups and
            // unknown kinds fall back to its own root camera.
            auto scene = std::make_unique<Scene>(stage_);
            scene->activate();
            scene->load(words.wordString(2), notes.sceneObserver(words.wordString(2)));
            scene->setName(words.wordString(3));
            notes.note(GlobalsFindingKind::SceneRead, words.wordString(2), &words, scene.get());
            sceneChain.appendScene(std::move(scene));
        } else if (keyword == "new") {
            notes.note(GlobalsFindingKind::NewWithoutScene, words.wordString(1), &words);
        } else if (keyword == "music") {
            const std::string& what = words.wordString(1);
            if (what == "file") {
                notes.note(
                    music_.soundOpen ? GlobalsFindingKind::SongLoaded : GlobalsFindingKind::SongIgnored,
                    words.wordString(2), &words);
                music_.loadSong(words.wordString(2), stage_.files);
            } else if (what == "on" || what == "off") {
                music_.init(what == "on" ? 1 : 0);
                notes.note(GlobalsFindingKind::MusicOpened, what, &words);
            } else {
                notes.note(GlobalsFindingKind::UnknownMusicWord, what, &words);
            }
        } else if (keyword == "scenes") {
            if (words.count() > kMaxScenesWords) {
                notes.note(GlobalsFindingKind::ScenesLineTooLong, keyword, &words);
                break;  // ends the reading; the playlist stays
            }
            const int count = words.count();
            for (int i = 1; i < count; ++i) {
                playlist[i - 1] = sceneChain.findOrSelf(words.wordString(i));
                if (playlist[i - 1] == &sceneChain)
                    notes.note(GlobalsFindingKind::PlaylistNameNotFound, words.wordString(i), &words);
            }
            // Entries after the new end are cleared too, so that nothing of a longer
            // earlier playlist can come back after the end.
            for (int i = count - 1; i < kPlaylistSize; ++i) playlist[i] = nullptr;
            notes.note(GlobalsFindingKind::PlaylistSet, keyword, &words);
        } else if (!keyword.empty()) {
            notes.note(GlobalsFindingKind::UnknownKeyword, keyword, &words);
        }
        notes.line = nextLine;
    }
    playIndex = 0;
    // With no playlist the empty chain head plays, and the first change request ends the run.
    current = playlist[0] ? playlist[0] : &sceneChain;
    current->activate();
    music_.play();
    return true;
}

bool Demo::frame(const FrameContext& frame) {
    if (advanceRequested) {
        if (playIndex < kPlaylistSize) ++playIndex;
        Scene* next = playIndex < kPlaylistSize ? playlist[playIndex] : nullptr;
        advanceRequested = false;
        if (!next) return false;  // the playlist is exhausted; the current scene stays
        current = next;
        current->activate();
        return true;  // a frame with a scene change shows no scene
    }
    if (current) {
        current->update(frame);
        current->draw(frame);
    }
    return true;
}

}  // namespace qm
