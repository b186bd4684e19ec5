// live_session.h -- one run of the live tool: the demo at a chosen moment, its keys, loop, saves and display.
#pragma once

#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "live/check_process.h"
#include "live/demo_files.h"
#include "live/file_watch.h"
#include "live/hud.h"
#include "live/live_driver.h"
#include "live/live_options.h"
#include "live/playlist_times.h"
#include "runtime/demo_run.h"

namespace qm::live {

// Every way to a moment is a seek: the demo started afresh and fast-forwarded there
// (LiveDriver). A save of a file the demo read is checked by the checker first; a
// clean check (warnings allowed) starts the demo afresh at the moment shown, while
// errors leave the demo on screen as it is and keep it reading the last good bytes
// (DemoFiles) until the files check clean again.
class LiveSession {
public:
    // `checker`, when given, has been started; without one, saves are taken unchecked.
    LiveSession(LiveWindow& window, std::function<double()> wallSeconds, CheckProcess* checker);
    ~LiveSession();
    LiveSession(const LiveSession&) = delete;
    LiveSession& operator=(const LiveSession&) = delete;

    // Where each run writes the player's trace (null: nowhere, the default), and
    // whether the song is heard. Before open.
    void setTrace(std::FILE* file) { traceFile_ = file; }
    void setMuted(bool muted) { muted_ = muted; }

    // Opens the screen, starts the demo (in the working directory) and goes where the
    // options say. Returns 0, or the exit status after a message on standard error:
    // 1 when the demo cannot run, 2 when --scene names no playlist entry.
    int open(const LiveOptions& options);
    // One frame (or, paused, the moment drawn again), then the keys, saves and checks that came.
    void frame();
    // Escape or the window closed.
    bool finished() const { return finished_; }
    // The demo's closing frame, with everything it read let go; the screen closes.
    void close();

    // What the live keys do.
    void seek(double seconds);
    void seekToStep(long step);
    void setPaused(bool paused);
    void previousEntry();
    void nextEntry();
    void mark();
    void toggleLoop();
    void setDisplay(bool shown) { display_ = shown; }

    bool paused() const { return driver_.paused(); }
    bool atEnd() const { return atEnd_; }
    bool displayShown() const { return display_; }
    double shownSeconds() const { return driver_.shownSeconds(); }
    std::optional<std::pair<double, double>> loop() const { return loop_; }
    const PlaylistTimes& times() const { return times_; }
    LiveDriver& driver() { return driver_; }

    // Saves and checks.
    bool checking() const { return checker_ && checker_->busy(); }
    bool holdingBack() const { return files_.holdingBack(); }
    // A save noticed and not yet either shown or held back.
    bool changePending() const { return !changed_.empty(); }
    int reloads() const { return reloads_; }
    int heldBack() const { return heldBackCount_; }
    // Seconds from the first event of the last save taken to its first frame shown.
    double lastReloadDelay() const { return lastReloadDelay_; }
    // Wall seconds the last seek took (start and fast-forward).
    double lastSeekSeconds() const { return lastSeekSeconds_; }
    const std::vector<std::string>& diagnostics() const { return diagnostics_; }

    // The display's lines as they are now.
    std::vector<HudLine> displayLines() const;

    // The run on screen: made afresh by every seek.
    DemoRun& run() { return *run_; }
    const DemoRun& run() const { return *run_; }

private:
    struct SyncNote {
        double seconds;
        std::string text;
    };
    static void onSync(void* self, int value);

    void handleLiveKeys();
    void followLoop();
    void watchFiles();
    void takeCheckResult();
    // The checker has died: from now on saves are taken unchecked, as without one.
    void dropChecker();
    void applyCheck(const CheckProcess::Result& result);
    void reload();
    void reachedEnd();
    void updatePlaylistTimes();
    void beforeShow();
    void say(std::string message);
    std::string sceneName() const;
    int playlistLength() const;
    std::string nameOf(const Scene* scene) const;

    LiveWindow& window_;
    std::function<double()> wall_;
    CheckProcess* checker_;
    LiveDriver driver_;
    DemoFiles files_;
    FileWatch watch_;
    std::unique_ptr<DemoRun> run_;
    std::FILE* traceFile_ = nullptr;
    bool muted_ = false;

    bool started_ = false;
    bool finished_ = false;
    bool atEnd_ = false;
    bool fullFrameDue_ = false;  // the first frame after a seek advances, even paused
    bool display_ = false;
    std::optional<std::pair<double, double>> loop_;
    std::vector<double> marks_;

    PlaylistTimes times_;
    std::string timesSong_;  // the song the times were worked out from

    std::set<std::string> changed_;  // saved files awaiting their check
    double changeSince_ = 0;
    bool recheckDue_ = false;                // saved again while a check ran
    std::optional<double> reloadStartedAt_;  // a reload's first frame is still to be shown
    int reloads_ = 0;
    int heldBackCount_ = 0;
    double lastReloadDelay_ = 0;
    double lastSeekSeconds_ = 0;
    std::vector<std::string> diagnostics_;
    std::string message_;
    double messageUntil_ = 0;

    std::deque<SyncNote> syncNotes_;
    double fpsSince_ = 0;
    int fpsFrames_ = 0;
    double fps_ = 0;
    double titleAt_ = -1;
};

}  // namespace qm::live
