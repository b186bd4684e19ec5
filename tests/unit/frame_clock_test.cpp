// The frame clock and the key table.
#include <gtest/gtest.h>

#include "base/frame_clock.h"
#include "runtime/demo_keys.h"
#include "runtime/demo_run.h"

namespace qm {
namespace {

TEST(FrameClock, TickMeasuresTheTimeSinceThePreviousTick) {
    FrameClock clock;
    clock.start(ticksToSeconds(1000));
    clock.tick(ticksToSeconds(1004));  // the first frame sees only a few milliseconds
    EXPECT_NEAR(clock.delta, 0.004, 1e-12);
    EXPECT_DOUBLE_EQ(clock.now, 1.004);
    clock.tick(ticksToSeconds(1021));
    EXPECT_NEAR(clock.delta, 0.017, 1e-12);
    EXPECT_DOUBLE_EQ(clock.previous, 1.021);
    // Milliseconds near the 32-bit limit still convert without wrapping.
    EXPECT_DOUBLE_EQ(ticksToSeconds(4294967295u), 4294967.295);
}

SDL_Event keyEvent(SDLKey sym, Uint8 type = SDL_KEYDOWN, SDLMod mod = KMOD_NONE) {
    SDL_Event e{};
    e.type = type;
    e.key.type = type;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    return e;
}

TEST(DemoKeys, OnlyTheKeysOfTheTableArePressesThatCount) {
    EXPECT_EQ(demoKeyFromEvent(keyEvent(SDLK_RETURN)), DemoKey::Return);
    EXPECT_EQ(demoKeyFromEvent(keyEvent(SDLK_ESCAPE)), DemoKey::Escape);
    EXPECT_EQ(demoKeyFromEvent(keyEvent(SDLK_1)), DemoKey::Digit1);
    EXPECT_EQ(demoKeyFromEvent(keyEvent(SDLK_9)), DemoKey::Digit9);
    EXPECT_EQ(demoKeyFromEvent(keyEvent(SDLK_1, SDL_KEYDOWN, KMOD_LSHIFT)), DemoKey::Digit1);
    EXPECT_EQ(demoKeyFromEvent(keyEvent(SDLK_F1)), DemoKey::F1);
    EXPECT_EQ(demoKeyFromEvent(keyEvent(SDLK_F2)), DemoKey::F2);
    EXPECT_EQ(demoKeyFromEvent(keyEvent(SDLK_0)), std::nullopt);
    EXPECT_EQ(demoKeyFromEvent(keyEvent(SDLK_KP1)), std::nullopt);
    EXPECT_EQ(demoKeyFromEvent(keyEvent(SDLK_F3)), std::nullopt);
    EXPECT_EQ(demoKeyFromEvent(keyEvent(SDLK_ESCAPE, SDL_KEYUP)), std::nullopt);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    EXPECT_EQ(demoKeyFromEvent(quit), DemoKey::WindowClose);
    SDL_Event button{};
    button.type = SDL_MOUSEBUTTONDOWN;
    EXPECT_EQ(demoKeyFromEvent(button), std::nullopt);
}

TEST(DemoKeys, TheFilterKeepsEveryEventAndActsOnPresses) {
    DemoRun run;
    const KeyHandler keys = demoKeyHandler(run);
    SDL_Event release = keyEvent(SDLK_ESCAPE, SDL_KEYUP);
    EXPECT_EQ(filterKeyEvent(&release, keys), 1);
    EXPECT_FALSE(run.quitRequested);
    SDL_Event press = keyEvent(SDLK_ESCAPE);
    EXPECT_EQ(filterKeyEvent(&press, keys), 1);
    EXPECT_TRUE(run.quitRequested);
    run.quitRequested = false;
    SDL_Event close{};
    close.type = SDL_QUIT;
    EXPECT_EQ(filterKeyEvent(&close, keys), 1);
    EXPECT_TRUE(run.quitRequested);

    SDL_Event enter = keyEvent(SDLK_RETURN);
    filterKeyEvent(&enter, keys);
    EXPECT_TRUE(run.demo.advanceRequested);
}

TEST(DemoKeys, NamesUsedByToolsAndTests) {
    EXPECT_EQ(demoKeyFromName("Return"), DemoKey::Return);
    EXPECT_EQ(demoKeyFromName("5"), DemoKey::Digit5);
    EXPECT_EQ(demoKeyFromName("F2"), DemoKey::F2);
    EXPECT_EQ(demoKeyFromName("0"), std::nullopt);
    EXPECT_EQ(demoKeyFromName("space"), std::nullopt);
}

}  // namespace
}  // namespace qm
