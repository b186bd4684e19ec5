// kinds.h -- what the object kinds of one run share, and the table of kinds that makes them.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "scene/object_factory.h"

namespace qm {

class Font;
class MaterialLibrary;
struct FrameClock;
struct Stage;

// The three animation phases of the wobbling ball are shared by every ball of a
// run, so each ball's update advances them all: two balls in a scene animate twice
// as fast.
struct BallPhases {
    float a = 0;       // ballPhaseA
    float b = 0;       // ballPhaseB
    float wobble = 0;  // wobblePhase
};

// What the kinds of one run share; every object a KindTable makes borrows it.
struct KindContext {
    KindContext(Stage& stage, MaterialLibrary& materials, Font& font, const FrameClock& clock)
        : stage(stage), materials(materials), font(font), clock(clock) {}
    KindContext(const KindContext&) = delete;
    KindContext& operator=(const KindContext&) = delete;

    Stage& stage;                // the active root camera (text and sky box follow it), files, trace
    MaterialLibrary& materials;  // looked up by name in init, load and trigger
    Font& font;                  // the text objects' font
    const FrameClock& clock;     // the time a trigger happens at (the floor's drops)
    BallPhases ballPhases;
};

// The object factory of a run: one row per kind keyword (kinds.cpp).
class KindTable final : public ObjectFactory {
public:
    explicit KindTable(KindContext& kinds) : kinds_(kinds) {}

    std::unique_ptr<SceneObject> create(std::string_view kind, std::string_view name) override;

    // Whether the table has a row for `kind` (compared exactly).
    static bool knows(std::string_view kind);
    // Every kind keyword, in table order.
    static std::vector<std::string_view> keywords();

private:
    KindContext& kinds_;
};

}  // namespace qm
