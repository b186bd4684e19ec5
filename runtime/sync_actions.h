// sync_actions.h -- what each Zxx sync value of the song does to the demo.
#pragma once

namespace qm {

// What one Zxx value does, on the main thread: the overlay effect or the scene
// change request first, then the current scene's sync event of that number.
void onPatternEffect(int value);

}  // namespace qm
