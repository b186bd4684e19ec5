// demo.h -- the demo: every scene, the playlist, and the per-frame step.
#pragma once

#include <array>
#include <string_view>

#include "scene/scene.h"

namespace qm {

class GlobalsObserver;
class MusicPlayer;

class Demo {
public:
    static constexpr int kPlaylistSize = 256;

    // The scenes are made on the run's stage; the globals script's "music" lines
    // go to the run's music player.
    Demo(Stage& stage, MusicPlayer& music) : sceneChain(stage), stage_(stage), music_(music) {}
    Demo(const Demo&) = delete;
    Demo& operator=(const Demo&) = delete;

    // Reads the globals script: creates and reads every scene, sets the playlist,
    // makes its first entry current and starts the music. False when the script
    // cannot be opened (then nothing has changed). The observer, when given, hears
    // about every line the reader treats specially.
    bool load(std::string_view path, GlobalsObserver* observer = nullptr);
    // Performs a pending scene change (and nothing else), or updates and draws the
    // current scene. False when a change was due at the last playlist entry: the
    // playlist is exhausted and the run ends after this frame.
    bool frame(const FrameContext& frame);
    // The next frame step moves to the next playlist entry; requests do not queue.
    void requestAdvance() { advanceRequested = true; }

    Scene* current = nullptr;  // the scene now playing; borrowed from the chain
    // The play order, borrowed from the chain; the entry after the last is null.
    std::array<Scene*, kPlaylistSize> playlist{};
    // Head of the chain of every loaded scene. It has no name, script or objects
    // of its own; an empty playlist, or a name no scene bears, plays it.
    Scene sceneChain;
    int playIndex = 0;
    bool advanceRequested = false;

private:
    Stage& stage_;
    MusicPlayer& music_;
};

}  // namespace qm
