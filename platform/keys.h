// keys.h -- the keys and window events the programs react to, as the drivers deliver them.
#pragma once

#include <SDL/SDL.h>

#include <optional>
#include <string_view>

namespace qm {

enum class DemoKey {
    Return,  // next scene
    Escape,  // end the run
    Digit1,
    Digit2,
    Digit3,
    Digit4,
    Digit5,
    Digit6,
    Digit7,
    Digit8,
    Digit9,      // scene events 0 to 8
    F1,          // full screen / window
    F2,          // re-read "tmpscene.qms" into the current scene
    WindowClose  // as Escape
};

// Acts on one key at once, with the context given along with it.
struct KeyHandler {
    void (*function)(void* context, DemoKey key) = nullptr;
    void* context = nullptr;

    explicit operator bool() const { return function != nullptr; }
    void operator()(DemoKey key) const { function(context, key); }
};

// The key an SDL event stands for, if any: key presses of the table only;
// modifiers are ignored, keypad digits and key releases are no keys.
std::optional<DemoKey> demoKeyFromEvent(const SDL_Event& event);

// An SDL event filter's work: hands the event's key, if any, to `handler` and keeps
// every event in the queue (returns 1).
int filterKeyEvent(const SDL_Event* event, KeyHandler handler);

// Key names as tools and tests write them: "Return", "Escape", "1".."9", "F1", "F2", "Close".
std::optional<DemoKey> demoKeyFromName(std::string_view name);

}  // namespace qm
