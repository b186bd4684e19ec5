// screen_layers.h -- background, foreground, symbols, sky box and fog: the picture around a scene.
#pragma once

#include <array>
#include <cstdint>

#include "objects/kinds.h"
#include "scene/scene_object.h"

namespace qm {

class Material;

// A full-screen picture at the nearest depth that writes no depth: it overdraws
// what the walk drew before it and stays behind everything drawn after it.
class Background : public SceneObject {
public:
    explicit Background(KindContext& kinds) : kinds_(kinds) {}

    void draw(const FrameContext& frame) override;
    void update(const FrameContext&) override {}
    void load(std::string_view text) override;
    void trigger(int) override {}

    const Material* material = nullptr;  // borrowed; set only by a "load" line

private:
    KindContext& kinds_;
};

// A full-screen picture alpha-blended over what the walk drew before it.
class Foreground : public SceneObject {
public:
    explicit Foreground(KindContext& kinds) : kinds_(kinds) {}

    void draw(const FrameContext& frame) override;
    void update(const FrameContext&) override {}
    void load(std::string_view text) override;
    void trigger(int) override {}

    const Material* material = nullptr;  // borrowed; set only by a "load" line

private:
    KindContext& kinds_;
};

// A column of small pictures scrolling down the left side of the screen.
class Symbols : public SceneObject {
public:
    explicit Symbols(KindContext& kinds) : kinds_(kinds) {}

    static constexpr int kSlots = 18;      // room in the arrays
    static constexpr int kUsedSlots = 10;  // slots that init places and load fills
    static constexpr float kWrapBelow = -1.25f;

    void init() override;
    void draw(const FrameContext& frame) override;
    void update(const FrameContext& frame) override;
    void load(std::string_view text) override;
    void trigger(int) override {}

    // The slots that are drawn and scrolled: the count, but never past the slots
    // that load and init have set.
    int activeSlots() const;

    std::array<const Material*, kSlots> symbolMaterials{};  // borrowed
    int32_t symbolCount = 0;  // as the last "load" line gave it, possibly above ten
    std::array<float, kSlots> symbolY{};
    float scrollSpeed = 0;

private:
    KindContext& kinds_;
};

// A box without a bottom that travels with the camera: four sides and a top.
class Skybox : public SceneObject {
public:
    explicit Skybox(KindContext& kinds) : kinds_(kinds) {}

    void init() override;
    void draw(const FrameContext& frame) override;
    void update(const FrameContext& frame) override;
    void load(std::string_view text) override;
    void trigger(int) override {}

    const Material* material = nullptr;     // the four sides; borrowed
    const Material* topMaterial = nullptr;  // the top; borrowed

private:
    KindContext& kinds_;
};

// Switches OpenGL fog on or off; switching it on also sets the clear colour.
class Fog : public SceneObject {
public:
    // A "load" word of this many items sets the fog's values; "end" switches it off.
    static constexpr int kItems = 8;

    void init() override;
    void draw(const FrameContext& frame) override;
    void update(const FrameContext&) override {}
    void load(std::string_view text) override;
    void trigger(int) override {}

    uint8_t fogMode = 0;  // 0 off, 1 on
    std::array<float, 4> fogColor{};
    float fogDensity = 0;
    float fogStart = 0;
    float fogEnd = 0;
};

}  // namespace qm
