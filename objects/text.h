// text.h -- the "text" kind: lines of text on the screen plane in the shared font, faded in and out by sync
// events.
#pragma once

#include <string>

#include "objects/kinds.h"
#include "resources/material.h"
#include "scene/scene_object.h"

namespace qm {

// Placed in screen units independently of the camera: the screen spans -10 to 10
// across and up, and a glyph cell is one unit. Rests invisible until a trigger
// starts a fade. Draws in the run's font.
class TextObject : public SceneObject {
public:
    explicit TextObject(KindContext& kinds) : kinds_(kinds) {}

    static constexpr const char* kPage1Path = "data\\fontv3-1.png";
    static constexpr const char* kPage2Path = "data\\fontv3-2.png";

    void init() override;
    void draw(const FrameContext& frame) override;
    void update(const FrameContext& frame) override;
    void load(std::string_view text) override;
    void trigger(int code) override;

    std::string text;
    float fadePhase = 1.0f;  // 1 = at rest
    float fadeSpeed = 0;     // phase per second
    Color color;             // alpha is replaced by the fade in every update

private:
    KindContext& kinds_;
};

}  // namespace qm
