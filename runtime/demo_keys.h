// demo_keys.h -- the keys and window events the player reacts to, and their actions.
#pragma once

#include <SDL/SDL.h>

#include <optional>
#include <string_view>

namespace qm {

enum class DemoKey {
    Return,  // next scene
    Escape,  // end the run
    Digit1, Digit2, Digit3, Digit4, Digit5, Digit6, Digit7, Digit8, Digit9,  // scene events 0 to 8
    F1,          // full screen / window
    F2,          // re-read "tmpscene.qms" into the current scene
    WindowClose  // as Escape
};

// Performs the action of one key (or of the window-close request) at once.
void handleDemoKey(DemoKey key);

// The key an SDL event stands for, if any: key presses of the table only;
// modifiers are ignored, keypad digits and key releases are no keys.
std::optional<DemoKey> demoKeyFromEvent(const SDL_Event& event);

// The SDL event filter: acts on each event while SDL pumps it and keeps every
// event in the queue (returns 1).
int demoEventFilter(const SDL_Event* event);

// Key names as tools and tests write them: "Return", "Escape", "1".."9", "F1", "F2", "Close".
std::optional<DemoKey> demoKeyFromName(std::string_view name);

}  // namespace qm
