// demo_keys.cpp -- the key table of the player.
#include "runtime/demo_keys.h"

#include "platform/driver.h"
#include "runtime/demo_run.h"

namespace qm {

void handleDemoKey(DemoRun& run, DemoKey key) {
    Demo& demo = run.demo;
    switch (key) {
        case DemoKey::Return:
            demo.requestAdvance();
            break;
        case DemoKey::Escape:
        case DemoKey::WindowClose:
            run.quitRequested = true;
            break;
        case DemoKey::F1:
            if (run.driver) run.driver->toggleFullScreen();
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

KeyHandler demoKeyHandler(DemoRun& run) {
    return {[](void* context, DemoKey key) { handleDemoKey(*static_cast<DemoRun*>(context), key); }, &run};
}

}  // namespace qm
