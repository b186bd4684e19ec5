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

#include "check/sync_check.h"
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
// (LiveDriver). The demo reads its files only from a snapshot of checked bytes
// (DemoFiles), never from the disk behind it: a change on disk (a save, a file gone
// or unreadable, its folder renamed) is checked by the checker first; a clean check
// (warnings allowed) puts the bytes it checked into the snapshot and starts the demo
// afresh at the moment shown, while errors leave the demo on screen as it is, its
// files as they were, and the files the held-back check read watched too, until the
// files check clean again.
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
    // options say; a --scene that names no entry the song reaches is refused before the
    // screen opens. Returns 0, or the exit status after a message on standard error:
    // 1 when the demo cannot run, 2 when --scene names no playlist entry.
    int open(const LiveOptions& options);
    // One frame (or, paused, the moment drawn again), then the keys, saves and checks that came.
    void frame();
    // Escape, the window closed, or the window gone.
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
    // The files on disk have errors (or a script was saved half-written): the demo
    // plays the last good ones.
    bool holdingBack() const { return heldBack_; }
    // A change noticed and not yet either shown or held back.
    bool changePending() const { return !changed_.empty(); }
    int reloads() const { return reloads_; }
    int heldBack() const { return heldBackCount_; }
    // Seconds from the first event of the last change taken to its first frame shown.
    double lastReloadDelay() const { return lastReloadDelay_; }
    // Wall seconds the last seek took (start and fast-forward).
    double lastSeekSeconds() const { return lastSeekSeconds_; }
    const std::vector<std::string>& diagnostics() const { return diagnostics_; }
    // The files watched now: the last start's and those a held-back check read.
    std::vector<std::string> watchedFiles() const;

    // The display's lines as they are now.
    std::vector<HudLine> displayLines() const;
    // The line at the bottom edge, shown with the display on or off; empty: none.
    std::string statusLine() const;
    // The window's title as it is now.
    std::string title() const;
    // The timeline strip (shown with the display); its length is 0 without a song.
    TimelineView timeline() const;

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
    void handleMouse();
    // The playlist's names and where the song reaches each entry, read without a screen.
    bool readPlaylist(std::vector<std::string>& names, PlaylistTimes& times);
    void followLoop();
    void watchFiles();
    void takeCheckResult();
    // The checker has died: from now on saves are taken unchecked, as without one.
    void dropChecker();
    void applyCheck(const CheckProcess::Result& result);
    void holdBack(const std::string& files, const std::string& why);
    // A changed script that came back empty or binary (an editor's half-written save)
    // for the first time; empty: none.
    std::string halfWrittenScript(const Snapshot& checked);
    void reload();
    void reachedEnd();
    void updatePlaylistTimes();
    void beforeShow();
    void rewatch();
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
    bool runOk_ = false;  // the run on screen started (its globals script was read)
    bool finished_ = false;
    bool atEnd_ = false;
    bool fullFrameDue_ = false;  // the first frame after a seek advances, even paused
    bool display_ = false;
    std::optional<std::pair<double, double>> loop_;
    std::vector<double> marks_;

    PlaylistTimes times_;
    std::string timesSong_;  // the song the times were worked out from

    check::SongReading song_;  // the song as the times were worked out from it
    bool hasSong_ = false;

    std::set<std::string> changed_;  // changed files awaiting their check
    double changeSince_ = 0;
    bool recheckDue_ = false;  // saved again while a check ran
    bool heldBack_ = false;
    std::string heldBackWhy_;
    std::vector<std::string> heldBackFiles_;  // files a held-back check read: watched too
    std::set<std::string> halfWritten_;       // scripts held back once for being empty or binary
    bool f2Scene_ = false;                    // a scene read by F2 is on screen
    bool scrubbing_ = false;                  // the left button went down on the timeline
    int scrubbedTo_ = -1;                     // the strip's pixel sought last in this press
    std::optional<double> reloadStartedAt_;   // a reload's first frame is still to be shown
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
    double fps_ = 0;  // 0: none measured yet
    double titleAt_ = -1;
};

}  // namespace qm::live
