// sync_actions.cpp -- the wiring from the song's sync values to the overlay, the playlist and the scenes.
#include "runtime/sync_actions.h"

#include "runtime/demo.h"
#include "runtime/overlay.h"
#include "scene/scene.h"

namespace qm {

void onPatternEffect(int value) {
    switch (value) {
        case 0:
            demo.requestAdvance();
            break;
        case 1:
            overlay.trigger(0);
            break;  // white flash
        case 2:
            overlay.trigger(1);
            break;  // fade to white
        case 3:
            overlay.trigger(2);
            break;  // fade to black
        case 4:
            overlay.trigger(3);
            break;  // fade in from black
        case 5:
            overlay.trigger(4);
            break;  // white pulse
        case 6:
            overlay.trigger(5);
            break;  // dip to black
        case 27:
            overlay.trigger(0);
            break;  // Z1B: the white flash again
        case 255:
            overlay.trigger(6);
            break;  // slow fade to white
        default:
            break;
    }
    if (demo.current) demo.current->runEvent(value);
}

}  // namespace qm
