// demo_keys.cpp -- the key table of the player.
#include "runtime/demo_keys.h"

#include "platform/sdl_driver.h"
#include "runtime/demo.h"
#include "runtime/globals.h"
#include "scene/scene.h"

namespace qm {

void handleDemoKey(DemoKey key) {
    switch (key) {
        case DemoKey::Return:
            demo.requestAdvance();
            break;
        case DemoKey::Escape:
        case DemoKey::WindowClose:
            quitRequested = true;
            break;
        case DemoKey::F1:
            toggleFullScreen();
            break;
        case DemoKey::F2:
            if (demo.current) demo.current->load("tmpscene.qms");
            break;
        default: {
            const int event = static_cast<int>(key) - static_cast<int>(DemoKey::Digit1);
            if (demo.current) demo.current->runEvent(event);
            break;
        }
    }
}

int demoEventFilter(const SDL_Event* event) {
    return filterKeyEvent(event, &handleDemoKey);
}

}  // namespace qm
