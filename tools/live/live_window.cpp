// live_window.cpp -- the offscreen window of the tests, the benchmark and the soak.
#include "live/live_window.h"

#include <GL/gl.h>

namespace qm::live {

bool OffscreenWindow::open(std::string& error) {
    if (gl_.valid()) return true;
    return gl_.create(800, 600, error);
}

void OffscreenWindow::pollEvents() {
    std::vector<DemoKey> keys;
    keys.swap(playerKeysDue_);
    for (DemoKey key : keys) {
        if (key == DemoKey::Escape || key == DemoKey::WindowClose) quitAsked_ = true;
        if (key == DemoKey::F2) f2Pressed_ = true;
        if (playerKeys_) playerKeys_(key);
    }
}

void OffscreenWindow::swap(Driver::Frame frame) {
    // As a window's buffer swap does, wait for the frame: otherwise the GL driver
    // queues frame after frame and holds their vertex data meanwhile.
    glFinish();
    if (frame != Driver::Frame::Loop) return;
    ++shown_;
    if (sink_) sink_(shown_);
}

}  // namespace qm::live
