// demo.h -- the demo: every scene, the playlist, and the per-frame step.
#pragma once

#include <array>
#include <string_view>

#include "scene/scene.h"

namespace qm {

class GlobalsObserver;

class Demo {
public:
    static constexpr int kPlaylistSize = 256;

    Demo() = default;
    Demo(const Demo&) = delete;
    Demo& operator=(const Demo&) = delete;
    // Closes the music, then destroys every scene.
    ~Demo();

    // Reads the globals script: creates and reads every scene, sets the playlist,
    // makes its first entry current and starts the music. False when the script
    // cannot be opened (then nothing has changed). The observer, when given, hears
    // about every line the reader treats specially.
    bool load(std::string_view path, GlobalsObserver* observer = nullptr);
    // Performs a pending scene change (and nothing else), or updates and draws the
    // current scene.
    void frame();
    // The next frame step moves to the next playlist entry; requests do not queue.
    void requestAdvance() { advanceRequested = true; }

    // Back to the constructed state: music closed, every scene destroyed, empty
    // playlist. For tests and tools that play more than one demo in a process.
    void reset();

    Scene* current = nullptr;  // the scene now playing; borrowed from the chain
    // The play order, borrowed from the chain; the entry after the last is null.
    std::array<Scene*, kPlaylistSize> playlist{};
    // Head of the chain of every loaded scene. It has no name, script or objects
    // of its own; an empty playlist, or a name no scene bears, plays it.
    Scene sceneChain;
    int playIndex = 0;
    bool advanceRequested = false;
};

extern Demo demo;

}  // namespace qm
