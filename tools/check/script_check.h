// script_check.h -- turns what the player's own readers notice in a demo's scripts into diagnostics.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "check/diagnostics.h"
#include "runtime/globals_findings.h"

namespace qm {
class Demo;
class DemoRun;
class MaterialLibrary;
class Scene;
}  // namespace qm

namespace qm::check {

// What the reading left for the sync check: the scenes with their scripts and
// declared events, the line of the playlist, and the songs named.
struct SceneFacts {
    const Scene* scene = nullptr;
    std::string file;     // the script, as diagnostics name it
    int globalsLine = 0;  // its "new scene" line
    bool opened = false;
    std::map<int, int> eventLines;  // event number -> line of its last "on sync"
};

struct SongLine {
    std::string path;  // as written
    int line = 0;
};

struct DemoFacts {
    std::vector<SceneFacts> scenes;
    int playlistLine = 0;         // the "scenes" line that set the playlist; 0 for none
    std::vector<SongLine> songs;  // every song handed to the music player, in order
};

class SceneScriptCheck;

// Reads nothing itself: it listens to the globals reader (and through it to every
// scene script reader) and to the material library's fallbacks while the player's
// code reads the demo into `run`. Install it with `attach`, then Demo::load with it
// as the observer, then `finish`.
class ScriptCheck : public GlobalsObserver {
public:
    ScriptCheck(Diagnostics& diagnostics, std::string globalsFile, DemoRun& run);
    ~ScriptCheck() override;

    // Routes the material library's fallbacks here until `finish`.
    void attach();
    // Findings that need the whole demo: scenes outside the playlist, no music.
    void finish(const Demo& demo);

    void notice(const GlobalsFinding& finding) override;
    ScriptObserver* sceneObserver(int line, std::string_view path) override;

    const DemoFacts& facts() const { return facts_; }

private:
    void warn(int line, std::string message) { diagnostics_.warning(globalsFile_, line, std::move(message)); }
    void sceneRead(const GlobalsFinding& finding);

    Diagnostics& diagnostics_;
    std::string globalsFile_;
    DemoRun& run_;
    DemoFacts facts_;
    std::unique_ptr<SceneScriptCheck> reading_;  // the scene script being read
    bool fontChecked_ = false;
    bool songIgnored_ = false;
    std::vector<std::pair<int, std::string>> missingScenes_;  // playlist names no scene bore then
};

// The materials script through the library's own reader, which must be empty
// before. False when the script cannot be opened (then reported).
bool checkMaterials(Diagnostics& diagnostics, MaterialLibrary& materials, std::string_view path);

}  // namespace qm::check
