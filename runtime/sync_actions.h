// sync_actions.h -- what each Zxx sync value of the song does to a run of the demo.
#pragma once

namespace qm {

class DemoRun;

// What one Zxx value does, on the main thread: the overlay effect or the scene
// change request of its row in the sync table first, then the current scene's sync
// event of that number.
void onPatternEffect(DemoRun& run, int value);

// The music player's sync action: `context` is the run.
void runPatternEffect(void* context, int value);

}  // namespace qm
