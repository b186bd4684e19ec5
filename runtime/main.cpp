// main.cpp -- the player's entry function: plays the demo in the working directory.
#include "runtime/driver.h"
#include "runtime/sdl_driver.h"

int main(int, char**) {
    qm::SdlDriver driver;
    return qm::runDemo(driver);
}
