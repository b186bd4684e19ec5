// scene.h -- a scene: its object tree below a root camera, its load list and 256 event lists.
#pragma once

#include <string_view>

namespace qm {

class Scene {
public:
    // Reads a scene script into the scene; always 0.
    int load(std::string_view path);
    // Runs event list n (0 to 255).
    void runEvent(int n);
    void update() {}
    void draw() {}
    void activate() {}
};

}  // namespace qm
