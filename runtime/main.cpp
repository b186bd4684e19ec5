// main.cpp -- the player's entry function: plays the demo in the working directory.
#include "platform/sdl_driver.h"
#include "runtime/demo_run.h"
#include "runtime/frame_loop.h"

int main(int, char**) {
    qm::SdlDriver driver;
    qm::DemoRun run;
    return qm::runDemo(driver, run);
}
