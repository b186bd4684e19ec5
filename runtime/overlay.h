// overlay.h -- the full-screen layer of flashes and fades drawn over every frame.
#pragma once

#include <array>

#include "scene/scene_object.h"

namespace qm {

class MusicPlayer;

// Four independent layers, drawn in this order: a white flash, a black fade, a
// white pulse and a black dip. Times are on the frame clock's scale; a layer is
// drawn while the clock has not passed its end. The effects and their lengths are
// those of the sync table (runtime/sync_table.h). Written and read on the main
// thread only.
class Overlay : public SceneObject {
public:
    // An effect starts at the run's clock and lasts in the beat units of its song.
    Overlay(const FrameClock& clock, const MusicPlayer& music) : clock_(clock), music_(music) {}

    // Every layer idle.
    void reset();
    // Starts effect 0 to 6; any other value does nothing.
    void trigger(int effect) override;
    void draw(const FrameContext& frame) override;

    void init() override { reset(); }
    void update(const FrameContext&) override {}
    void load(std::string_view) override {}

    double flashEnd = 0;
    double flashStart = 0;
    bool flashRising = false;
    double fadeEnd = 0;
    double fadeStart = 0;
    bool fadeRising = false;
    double pulseStart = 0;
    double pulseEnd = 0;
    double dipStart = 0;
    double dipEnd = 0;

private:
    enum Layer { kFlash, kFade, kPulse, kDip, kLayerCount };
    // A layer that has not been triggered since the reset is idle even when the
    // clock reads 0 (the offline clock's first frame).
    std::array<bool, kLayerCount> triggered_{};
    const FrameClock& clock_;
    const MusicPlayer& music_;
};

}  // namespace qm
