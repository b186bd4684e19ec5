// demo_state.h -- what a frame leaves behind, as text to compare bit for bit: the demo's state and GL's.
#pragma once

#include <string>

namespace qm {
class DemoRun;
}

namespace qm::test {

// Every scene's objects (placement, animation state, the meshes of the scene on
// screen), the playlist position, the overlay, the ball phases and, when asked, the
// frame clock of a run; floats as their bits.
std::string demoState(const DemoRun& run, bool withClock = true);

// The GL state that objects change, as GL itself reports it.
std::string glStateReport();

}  // namespace qm::test
