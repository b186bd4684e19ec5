// demo.h -- the demo: every scene, the playlist, and the per-frame step.
#pragma once

#include <string_view>

namespace qm {

class Scene;

class Demo {
public:
    // Reads the globals script; false when it cannot be opened.
    bool load(std::string_view path);
    void frame();
    void requestAdvance() { advanceRequested = true; }

    Scene* current = nullptr;
    int playIndex = 0;
    bool advanceRequested = false;
};

extern Demo demo;

}  // namespace qm
