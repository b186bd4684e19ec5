// live_session.cpp -- seeks, pause, loop and marks; saves checked and taken or held back; the display.
#include "live/live_session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "base/gl_state.h"
#include "base/paths.h"
#include "check/checker.h"
#include "check/sync_check.h"
#include "runtime/frame_loop.h"
#include "runtime/sync_actions.h"
#include "runtime/sync_table.h"
#include "scene/scene.h"

namespace qm::live {

namespace {

constexpr size_t kSyncNotes = 5;
constexpr double kMessageSeconds = 4;
constexpr double kTitleEvery = 0.1;
constexpr const char* kTitle = "Quillmoor DEMO 2";

long stepAt(double seconds) {
    return std::llround(std::max(0.0, seconds) * LiveDriver::kStepsPerSecond);
}

bool isError(const std::string& line) {
    return line.find(": error: ") != std::string::npos;
}

// Cut into lines of at most the display's width, between words where there are any.
void wrapInto(std::vector<HudLine>& lines, std::string_view text, float r, float g, float b) {
    while (!text.empty()) {
        size_t cut = std::min<size_t>(text.size(), kHudColumns);
        if (cut < text.size()) {
            const size_t space = text.substr(0, cut + 1).rfind(' ');
            if (space != std::string_view::npos && space > 0) cut = space;
        }
        lines.push_back({std::string(text.substr(0, cut)), r, g, b});
        text = text.substr(cut);
        while (!text.empty() && text[0] == ' ') text = text.substr(1);
    }
}

}  // namespace

LiveSession::LiveSession(LiveWindow& window, std::function<double()> wallSeconds, CheckProcess* checker)
    : window_(window), wall_(wallSeconds), checker_(checker), driver_(window, wallSeconds) {
    driver_.setBeforeShow([this] { beforeShow(); });
    fpsSince_ = wall_();
}

LiveSession::~LiveSession() = default;

void LiveSession::onSync(void* context, int value) {
    LiveSession* self = static_cast<LiveSession*>(context);
    self->syncNotes_.push_back(
        {self->run_->clock.now,
         syncValueName(value) + " " + check::describeSyncValue(self->run_->demo, value)});
    if (self->syncNotes_.size() > kSyncNotes) self->syncNotes_.pop_front();
    onPatternEffect(*self->run_, value);
}

int LiveSession::playlistLength() const {
    int n = 0;
    while (n < Demo::kPlaylistSize && run_->demo.playlist[static_cast<size_t>(n)]) ++n;
    return std::max(n, 1);  // no playlist: the empty scene plays
}

std::string LiveSession::nameOf(const Scene* scene) const {
    return check::sceneNameOf(run_->demo, scene);
}

int LiveSession::open(const LiveOptions& o) {
    if (!openDemoScreen(driver_)) return 1;
    long first = 0;
    if (o.start)
        first = stepAt(*o.start);
    else if (o.loopFrom)
        first = stepAt(*o.loopFrom);
    seekToStep(first);
    if (!run_->demo.current) {
        driver_.close();
        return 1;  // startDemo has said why
    }
    updatePlaylistTimes();
    if (!o.scene.empty()) {
        int entry = -1;
        const Demo& demo = run_->demo;
        for (int i = 0; i < playlistLength() && entry < 0; ++i)
            if (demo.playlist[static_cast<size_t>(i)] &&
                nameOf(demo.playlist[static_cast<size_t>(i)]) == o.scene)
                entry = i;
        std::string names;
        for (int i = 0; i < playlistLength(); ++i)
            names += " " + nameOf(demo.playlist[static_cast<size_t>(i)]);
        if (entry < 0 || entry >= static_cast<int>(times_.entryFrames.size())) {
            std::fprintf(stderr, "quillmoor-live: %s: %s (the playlist:%s)\n", o.scene.c_str(),
                         entry < 0 ? "no playlist entry of that name" : "the song never reaches that entry",
                         names.c_str());
            endDemo(driver_, *run_);
            return 2;
        }
        seekToStep(times_.entryFrames[static_cast<size_t>(entry)]);
    }
    if (o.loopFrom) loop_ = std::make_pair(*o.loopFrom, *o.loopTo);
    if (checker_) checker_->request();  // what the demo holds now, shown when known
    return 0;
}

void LiveSession::close() {
    if (!run_) return;
    endDemo(driver_, *run_, [this] { run_.reset(); });
}

void LiveSession::frame() {
    if (atEnd_ || (driver_.paused() && !fullFrameDue_))
        redrawFrame(driver_, *run_);
    else
        runFrame(driver_, *run_);
    fullFrameDue_ = false;
    if (reloadStartedAt_) {
        lastReloadDelay_ = wall_() - changeSince_;
        std::fprintf(stderr, "quillmoor-live: reloaded at %s, %.2f s after the save\n",
                     clockTime(shownSeconds()).c_str(), lastReloadDelay_);
        say("reloaded, " + std::to_string(std::lround(lastReloadDelay_ * 1000)) + " ms after the save");
        reloadStartedAt_.reset();
    }
    if (run_->quitRequested) {
        if (window_.quitAsked()) {
            finished_ = true;
            return;
        }
        run_->quitRequested = false;  // the demo ended itself; the tool stays
        reachedEnd();
    }
    handleLiveKeys();
    followLoop();
    watchFiles();
    takeCheckResult();
}

void LiveSession::seek(double seconds) {
    seekToStep(stepAt(seconds));
}

void LiveSession::seekToStep(long step) {
    const double began = wall_();
    // A fresh run: the old one goes first, while its GL context is current, and the
    // context's state goes back to a new context's.
    run_.reset();
    if (started_) resetGlState();
    started_ = true;
    atEnd_ = false;
    run_ = std::make_unique<DemoRun>(RunSettings{.files = &files_});
    run_->trace.setFile(traceFile_);
    run_->trace.setEnabled(traceFile_ != nullptr);
    run_->music.setMuted(muted_);
    run_->music.setSyncAction(&LiveSession::onSync, this);
    driver_.seekTo(*run_, step);
    // A save still settling has not been checked yet: its bytes must not become the good
    // ones, so this start reads what the demo on screen was read from.
    if (checker_ && (!changed_.empty() || watch_.saving(wall_()))) files_.holdBack();
    files_.beginStart();
    const bool running = startDemo(driver_, *run_);
    files_.endStart();
    while (running && driver_.fastForwarding() && !run_->quitRequested) runFrame(driver_, *run_);
    if (run_->quitRequested) {  // the demo ends before the moment
        run_->quitRequested = false;
        driver_.stopFastForward();
        atEnd_ = true;
        driver_.setPaused(true);
    }
    fullFrameDue_ = true;
    watch_.watch(files_.files());
    if (!files_.holdingBack()) files_.keepAsGood();
    lastSeekSeconds_ = wall_() - began;
}

void LiveSession::setPaused(bool paused) {
    if (!paused && atEnd_) {  // play at the end: from the start
        driver_.setPaused(false);
        seekToStep(0);
        return;
    }
    driver_.setPaused(paused);
}

void LiveSession::previousEntry() {
    if (times_.entryFrames.empty()) return;
    const int entry =
        std::clamp(run_->demo.playIndex - 1, 0, static_cast<int>(times_.entryFrames.size()) - 1);
    seekToStep(times_.entryFrames[static_cast<size_t>(entry)]);
}

void LiveSession::nextEntry() {
    const size_t entry = static_cast<size_t>(run_->demo.playIndex) + 1;
    if (entry < times_.entryFrames.size())
        seekToStep(times_.entryFrames[entry]);
    else
        say("no playlist entry after this one");
}

void LiveSession::mark() {
    marks_.push_back(shownSeconds());
    say("mark at " + clockTime(shownSeconds()));
}

void LiveSession::toggleLoop() {
    if (loop_) {
        loop_.reset();
        say("no loop");
        return;
    }
    if (marks_.size() < 2) {
        say("a loop needs two marks: M at each end");
        return;
    }
    const double a = std::min(marks_[marks_.size() - 2], marks_.back());
    const double b = std::max(marks_[marks_.size() - 2], marks_.back());
    if (stepAt(b) <= stepAt(a)) {
        say("the last two marks are the same moment");
        return;
    }
    loop_ = std::make_pair(a, b);
    say("loop " + clockTime(a) + " - " + clockTime(b));
    if (shownSeconds() < a || shownSeconds() >= b) seek(a);
}

void LiveSession::handleLiveKeys() {
    for (LiveKey key : window_.takeLiveKeys()) {
        switch (key) {
            case LiveKey::Pause:
                setPaused(atEnd_ ? false : !driver_.paused());
                break;
            case LiveKey::Back:
                seek(shownSeconds() - 5);
                break;
            case LiveKey::Forward:
                seek(shownSeconds() + 5);
                break;
            case LiveKey::BackLittle:
                seek(shownSeconds() - 1);
                break;
            case LiveKey::ForwardLittle:
                seek(shownSeconds() + 1);
                break;
            case LiveKey::PreviousEntry:
                previousEntry();
                break;
            case LiveKey::NextEntry:
                nextEntry();
                break;
            case LiveKey::Home:
                seekToStep(0);
                break;
            case LiveKey::Display:
                display_ = !display_;
                break;
            case LiveKey::Mark:
                mark();
                break;
            case LiveKey::Loop:
                toggleLoop();
                break;
        }
    }
}

void LiveSession::followLoop() {
    // The frame that reaches the loop's end is not shown: the loop starts again instead.
    if (loop_ && !driver_.paused() && !atEnd_ && stepAt(run_->clock.now) >= stepAt(loop_->second))
        seek(loop_->first);
}

void LiveSession::reachedEnd() {
    if (loop_) {
        seek(loop_->first);
        return;
    }
    atEnd_ = true;
    driver_.setPaused(true);
    say("the end of the demo: Space plays it from the start");
}

void LiveSession::watchFiles() {
    const FileWatch::Changes changes = watch_.poll(wall_());
    if (changes.files.empty()) return;
    if (changed_.empty()) changeSince_ = changes.since;
    changed_.insert(changes.files.begin(), changes.files.end());
    if (!checker_) {
        reload();
        return;
    }
    // Until the check says otherwise, a seek reads what the demo on screen was read from.
    files_.holdBack();
    if (checker_->busy()) {
        recheckDue_ = true;
    } else if (!checker_->request()) {  // the checker is gone: take the save unchecked
        dropChecker();
        reload();
        return;
    }
    say("checking " + *changed_.begin() + (changed_.size() > 1 ? " and more" : ""));
}

void LiveSession::takeCheckResult() {
    if (!checker_ || !checker_->busy()) return;
    const std::optional<CheckProcess::Result> result = checker_->poll();
    if (!result) {
        if (!checker_->running()) {  // the checker is gone: take the save unchecked
            dropChecker();
            if (!changed_.empty()) reload();
        }
        return;
    }
    if (recheckDue_) {  // saved again meanwhile: that is what counts
        recheckDue_ = false;
        checker_->request();
        return;
    }
    applyCheck(*result);
}

void LiveSession::dropChecker() {
    std::fprintf(stderr, "quillmoor-live: the checker stopped: saved files are taken without a check\n");
    say("the checker stopped: saves are taken unchecked");
    checker_ = nullptr;
    recheckDue_ = false;
    files_.release();
}

void LiveSession::applyCheck(const CheckProcess::Result& result) {
    std::vector<std::string> lines;
    std::string summary;
    std::istringstream text(result.diagnostics);
    for (std::string line; std::getline(text, line);) {
        if (line.rfind("quillmoor-check:", 0) == 0)
            summary = line.substr(line.find(' ') + 1);
        else if (!line.empty())
            lines.push_back(line);
    }
    const bool forChange = !changed_.empty();
    if (forChange || lines != diagnostics_) {
        for (const std::string& line : lines) std::fprintf(stderr, "%s\n", line.c_str());
    }
    diagnostics_ = std::move(lines);
    if (!forChange) return;
    std::string files;
    for (const std::string& f : changed_) files += (files.empty() ? "" : ", ") + f;
    if (result.status == check::kClean) {
        files_.release();
        reload();
        return;
    }
    ++heldBackCount_;
    changed_.clear();
    std::fprintf(stderr, "quillmoor-live: %s: %s; held back, the demo stays as it was\n", files.c_str(),
                 summary.c_str());
    say("held back: " + summary);
}

void LiveSession::reload() {
    const long step = stepAt(shownSeconds());
    std::set<std::string> changed;
    changed.swap(changed_);
    seekToStep(step);
    ++reloads_;
    reloadStartedAt_ = wall_();
    const std::string song = resolvePath(run_->music.songPath());
    if (song != timesSong_ || changed.count(song) || changed.count(resolvePath("data\\globals.qms")))
        updatePlaylistTimes();
}

void LiveSession::updatePlaylistTimes() {
    const std::string& songPath = run_->music.songPath();
    timesSong_ = resolvePath(songPath);
    times_ = PlaylistTimes{};
    times_.entryFrames.push_back(0);
    if (songPath.empty()) return;
    // The song as the player decodes it, read from what the demo read (the kept bytes, when held back).
    const check::SongReading song = check::readSong(songPath, files_);
    if (song.status == check::SongReading::Status::Read)
        times_ = playlistTimes(song, playlistLength(), LiveDriver::kStepsPerSecond);
}

void LiveSession::say(std::string message) {
    message_ = std::move(message);
    messageUntil_ = wall_() + kMessageSeconds;
}

std::string LiveSession::sceneName() const {
    return nameOf(run_->demo.current);
}

std::vector<HudLine> LiveSession::displayLines() const {
    std::vector<HudLine> lines;
    int order = -1, row = -1;
    run_->music.songRow(order, row);
    char head[160];
    std::snprintf(head, sizeof head, "%s  %d/%d  %d/%d %s  %.0f fps", clockTime(shownSeconds()).c_str(),
                  order, row, run_->demo.playIndex + 1, playlistLength(), sceneName().c_str(), fps_);
    lines.push_back({head});
    std::string state;
    if (atEnd_)
        state = "END";
    else if (driver_.paused())
        state = "PAUSED";
    if (loop_)
        state += (state.empty() ? "" : "  ") + std::string("LOOP ") + clockTime(loop_->first) + "-" +
                 clockTime(loop_->second);
    if (!marks_.empty())
        state += (state.empty() ? "" : "  ") + std::string("mark ") + clockTime(marks_.back());
    if (!state.empty()) lines.push_back({state, 1, 0.85f, 0.3f});
    for (const SyncNote& note : syncNotes_)
        lines.push_back({clockTime(note.seconds) + " " + note.text, 0.6f, 0.9f, 1});
    if (!message_.empty() && wall_() < messageUntil_) lines.push_back({message_, 0.7f, 1, 0.7f});
    if (files_.holdingBack() && changed_.empty())
        lines.push_back({"held back: the files on disk have errors", 1, 0.4f, 0.4f});
    for (const std::string& d : diagnostics_) {
        const bool error = isError(d);
        wrapInto(lines, d, 1, error ? 0.4f : 0.85f, error ? 0.4f : 0.3f);
    }
    return lines;
}

void LiveSession::beforeShow() {
    const double now = wall_();
    ++fpsFrames_;
    if (now - fpsSince_ >= 1) {
        fps_ = fpsFrames_ / (now - fpsSince_);
        fpsFrames_ = 0;
        fpsSince_ = now;
    }
    if (display_) drawHud(displayLines());
    if (titleAt_ < 0 || now - titleAt_ >= kTitleEvery) {
        titleAt_ = now;
        window_.setTitle(std::string(kTitle) + " - " + clockTime(shownSeconds()) + " " + sceneName() +
                         (atEnd_             ? " (end)"
                          : driver_.paused() ? " (paused)"
                                             : ""));
    }
}

}  // namespace qm::live
