// offline_driver.h -- rendering without a display: offscreen GL, a fixed-step clock, scripted keys.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include "runtime/demo_keys.h"
#include "runtime/driver.h"
#include "runtime/offscreen_gl.h"

namespace qm {

// Frame n has the time n / fps. Keys are pressed at the start of a chosen frame,
// before that frame's step, as a real key press would be seen by the next poll.
class OfflineDriver : public Driver {
public:
    explicit OfflineDriver(double framesPerSecond = 60.0) : fps_(framesPerSecond) {}

    // Presses a key at the first frame whose time is at or after `seconds`.
    void pressKeyAt(double seconds, DemoKey key);
    void pressKeyAtFrame(long frame, DemoKey key) { keys_[frame].push_back(key); }
    // Ends the run after this many loop frames (0: run until the demo ends it).
    void setFrameLimit(long frames) { frameLimit_ = frames; }
    // Called after every frame has been drawn and flushed, with its index
    // (-1 for the start-up and shut-down frames).
    void setFrameSink(std::function<void(long frame, Frame kind)> sink) { sink_ = std::move(sink); }

    long frameIndex() const { return frame_; }
    double framesPerSecond() const { return fps_; }
    const OffscreenGl& gl() const { return gl_; }

    bool openScreen(std::string& error) override;
    void setUpEvents() override {}
    double seconds() override { return static_cast<double>(frame_) / fps_; }
    void pollEvents() override;
    void releaseSyncEvents() override;
    void frameDrawn() override;
    void swapBuffers(Frame frame) override;
    void close() override;

private:
    double fps_;
    long frame_ = 0;
    long frameLimit_ = 0;
    std::map<long, std::vector<DemoKey>> keys_;
    std::function<void(long, Frame)> sink_;
    OffscreenGl gl_;
};

}  // namespace qm
