// offline_driver.cpp -- the fixed-step driver used by the tests and the capture tool.
#include "runtime/offline_driver.h"

#include <cmath>

#include "runtime/globals.h"

namespace qm {

void OfflineDriver::pressKeyAt(double seconds, DemoKey key) {
    // A tiny allowance so that a time written as n / fps lands on frame n.
    pressKeyAtFrame(static_cast<long>(std::ceil(seconds * fps_ - 1e-6)), key);
}

bool OfflineDriver::openScreen(std::string& error) {
    if (gl_.valid()) return true;  // a caller may have opened it to prepare the data
    return gl_.create(800, 600, error);
}

void OfflineDriver::pollEvents() {
    auto it = keys_.find(frame_);
    if (it == keys_.end()) return;
    for (DemoKey key : it->second) handleDemoKey(key);
}

void OfflineDriver::releaseSyncEvents() {}

void OfflineDriver::frameDrawn() {
    ++frame_;
    if (frameLimit_ > 0 && frame_ >= frameLimit_) quitRequested = true;
}

void OfflineDriver::swapBuffers(Frame frame) {
    // The loop ticks the clock before the swap, so the frame just drawn is frame_ - 1.
    if (sink_) sink_(frame == Frame::Loop ? frame_ - 1 : -1, frame);
}

void OfflineDriver::close() { gl_.destroy(); }

}  // namespace qm
