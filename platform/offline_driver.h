// offline_driver.h -- rendering without a display: offscreen GL, a fixed-step clock, scripted keys.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "platform/driver.h"
#include "platform/offscreen_gl.h"

namespace qm {

// Frame n has the time n / fps. Keys are pressed at the start of a chosen frame,
// before that frame's step, as a real key press would be seen by the next poll.
// No audio device is opened: by the end of frame n exactly round(rate * n / fps)
// frames of the song have been rendered (and handed to the audio sink), and the
// sync events stamped before frame n's time are released before its step; the
// last frame also gets its own stretch of audio, so the audio lasts as long as the
// frames shown. Everything is a function of the frame number: deterministic.
class OfflineDriver : public Driver {
public:
    explicit OfflineDriver(double framesPerSecond = 60.0) : fps_(framesPerSecond) {}

    // Presses a key at the first frame whose time is at or after `seconds`.
    void pressKeyAt(double seconds, DemoKey key);
    void pressKeyAtFrame(long frame, DemoKey key) { keys_[frame].push_back(key); }
    // Frames before this one are fast-forward steps: the demo advances through them
    // exactly as when they are drawn (sync, keys and sound included), but nothing is
    // drawn and the frame sink does not hear of them.
    void setFastForwardUntil(long frame) { fastForwardUntil_ = frame; }
    // From that frame on, only every `every`th frame is drawn (the first of them is);
    // the frames between are fast-forward steps too.
    void setDrawEvery(long every) { drawEvery_ = every > 0 ? every : 1; }
    // The size of the offscreen surface made by openScreen (800x600 unless set before).
    void setScreenSize(int width, int height) {
        screenWidth_ = width;
        screenHeight_ = height;
    }
    // Where the picture lies on that surface (the whole 800x600 unless set).
    void setPicture(const PictureRect& picture) { picture_ = picture; }
    // Ends the run after this many loop frames (0: run until the demo ends it).
    void setFrameLimit(long frames) { frameLimit_ = frames; }
    // Called after every frame has been drawn and flushed, with its index
    // (-1 for the start-up and shut-down frames).
    void setFrameSink(std::function<void(long frame, Frame kind)> sink) { sink_ = std::move(sink); }
    // Called with each stretch of rendered audio, in order: 44100 Hz, 16-bit
    // interleaved stereo, silence where no song plays.
    using AudioSink = std::function<void(const int16_t* interleavedStereo, size_t frames)>;
    void setAudioSink(AudioSink sink) { audioSink_ = std::move(sink); }
    // Audio frames rendered so far.
    int64_t audioFrames() const { return audioFrames_; }

    // Back to frame 0 with no audio rendered, for a demo started again in the same
    // screen; keys, limits and sinks stay as they are.
    void restart() {
        frame_ = 0;
        audioFrames_ = 0;
    }

    long frameIndex() const { return frame_; }
    double framesPerSecond() const { return fps_; }
    const OffscreenGl& gl() const { return gl_; }

    bool openScreen(std::string& error) override;
    PictureRect picture() const override { return picture_; }
    bool pullsSong() const override { return true; }
    void setUpEvents(KeyHandler handler) override { keyHandler_ = handler; }
    double seconds() override { return static_cast<double>(frame_) / fps_; }
    bool drawsFrame() override {
        return frame_ >= fastForwardUntil_ && (frame_ - fastForwardUntil_) % drawEvery_ == 0;
    }
    void pollEvents() override;
    void releaseSyncEvents(MusicPlayer& music) override;
    bool frameDrawn(bool quitting, MusicPlayer& music) override;
    void swapBuffers(Frame frame) override;
    void close() override;

private:
    void renderAudioUpTo(long frame, MusicPlayer& music);

    double fps_;
    long frame_ = 0;
    long frameLimit_ = 0;
    long fastForwardUntil_ = 0;
    long drawEvery_ = 1;
    int screenWidth_ = 800;
    int screenHeight_ = 600;
    PictureRect picture_;
    KeyHandler keyHandler_;
    std::map<long, std::vector<DemoKey>> keys_;
    std::function<void(long, Frame)> sink_;
    AudioSink audioSink_;
    std::vector<int16_t> audio_;
    int64_t audioFrames_ = 0;
    OffscreenGl gl_;
};

}  // namespace qm
