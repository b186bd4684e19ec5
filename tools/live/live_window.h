// live_window.h -- where the live tool shows the demo: a window on the desktop, or an offscreen context.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/driver.h"
#include "platform/keys.h"
#include "platform/offscreen_gl.h"

namespace qm::live {

// The keys of the live tool beyond the player's.
enum class LiveKey {
    Pause,          // Space
    Back,           // Left: 5 s back
    Forward,        // Right: 5 s on
    BackLittle,     // Shift+Left: 1 s back
    ForwardLittle,  // Shift+Right: 1 s on
    PreviousEntry,  // Page Up
    NextEntry,      // Page Down
    Home,           // the start
    Display,        // H: the display on or off
    Mark,           // M: mark the moment
    Loop,           // L: loop between the last two marks, or no loop
};

// The left mouse button over the window, in window pixels from its top left.
struct MouseEvent {
    enum class Kind { Press, Move, Release };
    Kind kind = Kind::Press;
    int x = 0, y = 0;
};

// The screen, its input and its title. The player's keys go to the demo's key
// handler at once, as in the player; the live keys wait in a queue for the tool.
class LiveWindow {
public:
    virtual ~LiveWindow() = default;

    // Opens the 800x600 screen with its GL context current. On failure `error` says why.
    virtual bool open(std::string& error) = 0;
    // No sound output: the song is pulled by the demo's clock.
    virtual bool pullsSong() const = 0;
    // F1, where the window can switch.
    virtual void toggleFullScreen() {}
    virtual void setUpEvents(KeyHandler playerKeys) = 0;
    virtual void pollEvents() = 0;
    virtual void swap(Driver::Frame frame) = 0;
    virtual void setTitle(const std::string&) {}
    virtual void close() = 0;
    // For a window that pulls the song: the song frames its sound output has taken
    // since it opened, when it has an output of its own; none: the song is taken at
    // the wall clock's pace.
    virtual std::optional<int64_t> outputFrames() const { return std::nullopt; }

    // Escape or the window's close button: the tool ends (the demo ending itself does not end it).
    bool quitAsked() const { return quitAsked_; }
    std::vector<LiveKey> takeLiveKeys() {
        std::vector<LiveKey> keys;
        keys.swap(liveKeys_);
        return keys;
    }
    void pressLiveKey(LiveKey key) { liveKeys_.push_back(key); }
    std::vector<MouseEvent> takeMouseEvents() {
        std::vector<MouseEvent> events;
        events.swap(mouse_);
        return events;
    }
    void addMouseEvent(MouseEvent event) { mouse_.push_back(event); }
    // Whether F2 (a scene read from tmpscene.qms) was pressed since the last call.
    bool takeF2() {
        const bool pressed = f2Pressed_;
        f2Pressed_ = false;
        return pressed;
    }

protected:
    bool quitAsked_ = false;
    std::vector<LiveKey> liveKeys_;
    std::vector<MouseEvent> mouse_;
    bool f2Pressed_ = false;
};

// No display: an offscreen context, the song rendered by the demo's clock, keys
// only as the caller presses them. For the tests, the benchmark and the soak.
class OffscreenWindow : public LiveWindow {
public:
    bool open(std::string& error) override;
    bool pullsSong() const override { return true; }
    void setUpEvents(KeyHandler playerKeys) override { playerKeys_ = playerKeys; }
    void pollEvents() override;
    void swap(Driver::Frame frame) override;
    void close() override { gl_.destroy(); }

    // Acts at the next poll, as a key pressed between two frames.
    void pressPlayerKey(DemoKey key) { playerKeysDue_.push_back(key); }
    // Frames shown so far (loop frames only).
    long framesShown() const { return shown_; }
    // Called with each frame shown, finished and flushed, before anything else is drawn.
    void setFrameSink(std::function<void(long shown)> sink) { sink_ = std::move(sink); }
    // A stand-in sound output: the song frames it has taken (a test's output that runs
    // slower or faster than the wall); none: the wall's pace.
    void setOutput(std::function<int64_t()> framesTaken) { output_ = std::move(framesTaken); }
    std::optional<int64_t> outputFrames() const override {
        return output_ ? std::optional<int64_t>(output_()) : std::nullopt;
    }

private:
    OffscreenGl gl_;
    std::function<void(long)> sink_;
    std::function<int64_t()> output_;
    KeyHandler playerKeys_;
    std::vector<DemoKey> playerKeysDue_;
    long shown_ = 0;
};

}  // namespace qm::live
