// sync_table.h -- what each Zxx sync value of a song does to the demo: the one table that the runtime acts
// on and that the checker and the live display describe from.
#pragma once

#include <array>
#include <string>

namespace qm {

// The four layers of the overlay, drawn in this order.
enum class OverlayLayer { Flash, Fade, Pulse, Dip };

// An effect of the overlay, by the number Overlay::trigger takes (its index in
// kOverlayEffects).
struct OverlayEffect {
    OverlayLayer layer;
    // Flash and fade: towards full white (flash) or away from black (fade); the
    // pulse and the dip rise and fall by themselves.
    bool rising;
    // Its length in the song's beat units; 0: kFlashSeconds, whatever the song.
    float beatUnits;
};
inline constexpr double kFlashSeconds = 0.2;
inline constexpr std::array<OverlayEffect, 7> kOverlayEffects = {{
    {OverlayLayer::Flash, false, 0},  // 0: white flash that fades out
    {OverlayLayer::Flash, true, 2},   // 1: whitens to full white
    {OverlayLayer::Fade, false, 2},   // 2: darkens to black
    {OverlayLayer::Fade, true, 4},    // 3: comes up from black
    {OverlayLayer::Pulse, false, 2},  // 4: white swell peaking halfway
    {OverlayLayer::Dip, false, 2},    // 5: dips to black halfway and back
    {OverlayLayer::Flash, true, 17},  // 6: slow whitening to full white
}};

// A sync value that does more than run the current scene's sync event of its
// number (every value does that, after what the row says).
struct SyncValue {
    int value;
    bool nextScene;     // requests the next playlist entry
    int overlayEffect;  // starts this overlay effect; -1: none
    const char* label;  // what it does, in the tools' words
};
inline constexpr SyncValue kSyncValues[] = {
    {0, true, -1, "next scene"},
    {1, false, 0, "white flash"},
    {2, false, 1, "fade to white"},
    {3, false, 2, "fade to black"},
    {4, false, 3, "fade in from black"},
    {5, false, 4, "white pulse"},
    {6, false, 5, "dip to black and back"},
    {27, false, 0, "white flash"},  // Z1B: the white flash again
    {255, false, 6, "slow fade to white"},
};

// The row of a value; null for a value that only runs its scene event.
const SyncValue* findSyncValue(int value);
// The overlay effect a value starts, or null.
const OverlayEffect* overlayEffectOf(int value);
// The name of a value as a tracker writes its effect: "Z1B".
std::string syncValueName(int value);

}  // namespace qm
