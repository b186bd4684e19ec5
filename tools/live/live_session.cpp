// live_session.cpp -- seeks, pause, loop and marks; saves checked and taken or held back; the display.
#include "live/live_session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>

#include "base/gl_state.h"
#include "base/paths.h"
#include "check/checker.h"
#include "check/keyword_match.h"
#include "check/sync_check.h"
#include "live/hud_font.h"
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
    files_.readDisk(checker_ == nullptr);
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

bool LiveSession::readPlaylist(std::vector<std::string>& names, PlaylistTimes& times) {
    // The player's readers without a screen, as the checker reads: no textures, no
    // sound output. What they read is kept for the start that follows.
    DemoRun reading(RunSettings{.files = &files_, .uploadTextures = false});
    reading.trace.setEnabled(false);
    reading.music.setOfflineOutput(true);
    if (!reading.demo.load("data\\globals.qms")) return false;
    int entries = 0;
    while (entries < Demo::kPlaylistSize && reading.demo.playlist[static_cast<size_t>(entries)]) ++entries;
    for (int i = 0; i < entries; ++i)
        names.push_back(check::sceneNameOf(reading.demo, reading.demo.playlist[static_cast<size_t>(i)]));
    times = PlaylistTimes{};
    times.entryFrames.push_back(0);
    if (!reading.music.songPath().empty()) {
        const check::SongReading song = check::readSong(reading.music.songPath(), files_);
        if (song.status == check::SongReading::Status::Read)
            times = playlistTimes(song, std::max(entries, 1), LiveDriver::kStepsPerSecond);
    }
    return true;
}

int LiveSession::open(const LiveOptions& o) {
    // A --scene that cannot be played is said before any window opens.
    long sceneStep = -1;
    if (!o.scene.empty()) {
        std::vector<std::string> names;
        PlaylistTimes times;
        if (!readPlaylist(names, times)) {
            std::fprintf(stderr, "quillmoor-live: cannot open the globals script \"data\\globals.qms\"\n");
            return 1;
        }
        const auto found = std::find(names.begin(), names.end(), o.scene);
        const size_t entry = static_cast<size_t>(found - names.begin());
        if (found == names.end() || entry >= times.entryFrames.size()) {
            std::string list;
            std::vector<std::string_view> candidates;
            for (const std::string& name : names) {
                list += " " + name;
                candidates.push_back(name);
            }
            const std::string_view nearest = check::closestMatch(o.scene, candidates);
            std::string message = o.scene + ": ";
            if (found != names.end())
                message += "the song never reaches that entry";
            else if (!nearest.empty())
                message += "no playlist entry of that name; the nearest is \"" + std::string(nearest) + "\"";
            else
                message += "no playlist entry of that name";
            std::fprintf(stderr, "quillmoor-live: %s (the playlist:%s)\n", message.c_str(),
                         list.empty() ? " empty" : list.c_str());
            return 2;
        }
        sceneStep = times.entryFrames[entry];
    }
    std::string error;
    if (!driver_.openScreen(error)) {
        std::fprintf(stderr, "quillmoor-live: cannot open the window: %s\n", error.c_str());
        return 1;
    }
    long first = 0;
    if (sceneStep >= 0)
        first = sceneStep;
    else if (o.start)
        first = stepAt(*o.start);
    else if (o.loopFrom)
        first = stepAt(*o.loopFrom);
    seekToStep(first);
    if (!started_ || !run_->demo.current) {
        driver_.close();
        return 1;  // startDemo has said why
    }
    updatePlaylistTimes();
    if (o.loopFrom) loop_ = std::make_pair(*o.loopFrom, *o.loopTo);
    if (checker_) checker_->request();  // what the demo holds now, shown when known
    return 0;
}

void LiveSession::close() {
    if (!run_) return;
    endDemo(driver_, *run_, [this] { run_.reset(); });
}

void LiveSession::frame() {
    if (!runOk_) {
        // A start that failed: the screen stays as it was, and the keys still act.
        window_.pollEvents();
    } else if (atEnd_ || (driver_.paused() && !fullFrameDue_)) {
        redrawFrame(driver_, *run_);
    } else {
        runFrame(driver_, *run_);
    }
    fullFrameDue_ = false;
    // Escape and the window's close end the tool whatever the demo does.
    if (window_.quitAsked()) {
        finished_ = true;
        return;
    }
    if (window_.takeF2()) f2Scene_ = true;
    if (reloadStartedAt_) {
        lastReloadDelay_ = wall_() - changeSince_;
        std::fprintf(stderr, "quillmoor-live: reloaded at %s, %.2f s after the save\n",
                     clockTime(shownSeconds()).c_str(), lastReloadDelay_);
        say("reloaded, " + std::to_string(std::lround(lastReloadDelay_ * 1000)) + " ms after the save");
        reloadStartedAt_.reset();
    }
    if (runOk_ && run_->quitRequested) {
        run_->quitRequested = false;  // the demo ended itself; the tool stays
        reachedEnd();
    }
    handleLiveKeys();
    handleMouse();
    followLoop();
    watchFiles();
    takeCheckResult();
}

void LiveSession::seek(double seconds) {
    seekToStep(stepAt(seconds));
}

void LiveSession::seekToStep(long step) {
    const double began = wall_();
    if (f2Scene_ && started_)
        say("the scene F2 read is gone: the demo started afresh (F2 reads tmpscene.qms again)");
    f2Scene_ = false;
    // A fresh run: the old one goes first, while its GL context is current, and the
    // context's state goes back to a new context's.
    run_.reset();
    if (started_) resetGlState();
    started_ = true;
    atEnd_ = false;
    run_ = std::make_unique<DemoRun>(RunSettings{.files = &files_, .program = "quillmoor-live"});
    run_->trace.setFile(traceFile_);
    run_->trace.setEnabled(traceFile_ != nullptr);
    run_->music.setMuted(muted_);
    run_->music.setSyncAction(&LiveSession::onSync, this);
    driver_.seekTo(*run_, step);
    // Every file comes from the snapshot of checked bytes, whatever the disk holds now.
    files_.beginStart();
    runOk_ = startDemo(driver_, *run_);
    files_.endStart();
    while (runOk_ && driver_.fastForwarding() && !run_->quitRequested) runFrame(driver_, *run_);
    if (run_->quitRequested) {  // the demo ends before the moment
        run_->quitRequested = false;
        driver_.stopFastForward();
        atEnd_ = true;
        driver_.setPaused(true);
    }
    fullFrameDue_ = true;
    // What the display lists starts with the moment reached.
    syncNotes_.clear();
    fpsSince_ = wall_();
    fpsFrames_ = 0;
    rewatch();
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

std::vector<std::string> LiveSession::watchedFiles() const {
    std::vector<std::string> files = files_.files();
    for (const std::string& f : heldBackFiles_)
        if (std::find(files.begin(), files.end(), f) == files.end()) files.push_back(f);
    return files;
}

void LiveSession::rewatch() {
    watch_.watch(watchedFiles());
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
    if (checker_->busy()) {
        recheckDue_ = true;
    } else if (!checker_->request()) {  // the checker is gone: take the change unchecked
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
        if (!checker_->running()) {  // the checker is gone: take the change unchecked
            dropChecker();
            if (!changed_.empty()) reload();
        }
        return;
    }
    if (recheckDue_) {  // saved again meanwhile: that is what counts
        recheckDue_ = false;
        if (!checker_->request()) {  // the checker is gone: take the change unchecked
            dropChecker();
            reload();
        }
        return;
    }
    applyCheck(*result);
}

void LiveSession::dropChecker() {
    std::fprintf(stderr, "quillmoor-live: the checker stopped: saved files are taken without a check\n");
    say("the checker stopped: saves are taken unchecked");
    checker_ = nullptr;
    recheckDue_ = false;
    heldBack_ = false;
    heldBackFiles_.clear();
    files_.readDisk(true);
}

std::string LiveSession::halfWrittenScript(const Snapshot& checked) {
    std::string found;
    for (const auto& [key, file] : checked) {
        if (!changed_.count(file.onDisk)) continue;
        std::string extension = std::filesystem::path(file.onDisk).extension().string();
        for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (extension != ".qms") continue;
        if (!looksHalfWritten(file)) {
            halfWritten_.erase(file.onDisk);
            continue;
        }
        // Saved so a second time: the author means it.
        if (halfWritten_.count(file.onDisk)) continue;
        const FileBytes* good = files_.find(key);
        if (!good || !good->present || looksHalfWritten(*good)) continue;
        halfWritten_.insert(file.onDisk);
        if (found.empty())
            found = file.onDisk +
                    (file.bytes.empty() ? " was saved empty" : " was saved with NUL bytes (binary)") +
                    ", as an editor's half-written save leaves it; it is taken when saved again";
    }
    return found;
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
    // A check that found no demo at all says so in its summary alone.
    if (lines.empty() && result.status != check::kClean && !summary.empty()) lines.push_back(summary);
    const bool forChange = !changed_.empty();
    if (forChange || lines != diagnostics_) {
        for (const std::string& line : lines) std::fprintf(stderr, "%s\n", line.c_str());
    }
    diagnostics_ = std::move(lines);
    if (!forChange) return;
    std::string files;
    constexpr size_t kNamed = 3;
    size_t named = 0;
    for (const std::string& f : changed_)
        if (named++ < kNamed) files += (files.empty() ? "" : ", ") + f;
    if (changed_.size() > kNamed) files += " and " + std::to_string(changed_.size() - kNamed) + " more";
    const std::string halfWritten = halfWrittenScript(result.files);
    if (result.status == check::kClean && halfWritten.empty()) {
        files_.take(result.files);
        heldBack_ = false;
        heldBackWhy_.clear();
        heldBackFiles_.clear();
        reload();
        return;
    }
    // The files the held-back check read are watched too: a file it names that is not
    // there yet is checked again once written.
    heldBackFiles_.clear();
    for (const auto& [key, file] : result.files) heldBackFiles_.push_back(file.onDisk);
    holdBack(files, halfWritten.empty() ? summary : halfWritten);
}

void LiveSession::holdBack(const std::string& files, const std::string& why) {
    ++heldBackCount_;
    changed_.clear();
    heldBack_ = true;
    heldBackWhy_ = why;
    rewatch();
    // A reason that starts with the file it is about is said as it is.
    const std::string line = why.rfind(files, 0) == 0 ? why : files + ": " + why;
    std::fprintf(stderr, "quillmoor-live: %s; held back, the demo stays as it was\n", line.c_str());
    say("held back: " + why);
}

void LiveSession::reload() {
    const long step = stepAt(shownSeconds());
    std::set<std::string> changed;
    changed.swap(changed_);
    seekToStep(step);
    ++reloads_;
    reloadStartedAt_ = wall_();
    updatePlaylistTimes();
}

void LiveSession::updatePlaylistTimes() {
    const std::string& songPath = run_->music.songPath();
    // The song as the player decodes it, read from what the demo read.
    std::string bytes;
    const FileBytes* file = songPath.empty() ? nullptr : files_.find(songPath);
    const std::string key =
        file ? file->onDisk + ":" + std::to_string(std::hash<std::string>{}(file->bytes)) : "";
    if (key == timesSong_ && !key.empty()) {  // the same song: the times change with the playlist only
        times_ = playlistTimes(song_, playlistLength(), LiveDriver::kStepsPerSecond);
        return;
    }
    timesSong_ = key;
    times_ = PlaylistTimes{};
    times_.entryFrames.push_back(0);
    hasSong_ = false;
    song_ = check::SongReading{};
    if (songPath.empty()) return;
    song_ = check::readSong(songPath, files_);
    hasSong_ = song_.status == check::SongReading::Status::Read;
    if (hasSong_) times_ = playlistTimes(song_, playlistLength(), LiveDriver::kStepsPerSecond);
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
    std::string position = "no song";
    int order = 0, row = 0;
    if (hasSong_ && rowAt(song_, std::llround(shownSeconds() * MusicPlayer::kRate), order, row))
        position = std::to_string(order) + "/" + std::to_string(row);
    const int entries = playlistLength();
    std::string head = clockTime(shownSeconds()) + "  " + position + "  " +
                       std::to_string(std::min(run_->demo.playIndex + 1, entries)) + "/" +
                       std::to_string(entries) + " " + sceneName();
    if (fps_ > 0) head += "  " + std::to_string(std::lround(fps_)) + " fps";
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
    for (const std::string& d : diagnostics_) {
        const bool error = isError(d);
        wrapInto(lines, d, 1, error ? 0.4f : 0.85f, error ? 0.4f : 0.3f);
    }
    return lines;
}

std::string LiveSession::statusLine() const {
    if (!heldBack_) return {};
    return "held back: " + heldBackWhy_ + (display_ ? "" : " (H: the display)");
}

std::string LiveSession::title() const {
    return std::string(kTitle) + " - " + clockTime(shownSeconds()) + " " + sceneName() +
           (atEnd_             ? " (end)"
            : driver_.paused() ? " (paused)"
                               : "") +
           (heldBack_ ? " (held back)" : "");
}

TimelineView LiveSession::timeline() const {
    TimelineView view;
    if (!hasSong_ || song_.frames <= 0) return view;
    view.length = static_cast<double>(song_.frames) / MusicPlayer::kRate;
    const auto seconds = [](long step) { return static_cast<double>(step) / LiveDriver::kStepsPerSecond; };
    for (size_t i = 0; i < times_.entryFrames.size(); ++i) {
        const double from = seconds(times_.entryFrames[i]);
        if (from >= view.length) break;
        double to = view.length;
        if (i + 1 < times_.entryFrames.size())
            to = seconds(times_.entryFrames[i + 1]);
        else if (times_.endFrame >= 0)
            to = seconds(times_.endFrame);
        const Scene* scene = i < static_cast<size_t>(Demo::kPlaylistSize) ? run_->demo.playlist[i] : nullptr;
        view.entries.push_back({from, std::min(to, view.length), nameOf(scene)});
    }
    for (const check::SongEvent& e : song_.events)
        view.ticks.push_back({static_cast<double>(e.frame) / MusicPlayer::kRate, e.value});
    view.marks = marks_;
    view.loop = loop_;
    view.playhead = shownSeconds();
    return view;
}

void LiveSession::beforeShow() {
    const double now = wall_();
    ++fpsFrames_;
    if (now - fpsSince_ >= 1) {
        fps_ = fpsFrames_ / (now - fpsSince_);
        fpsFrames_ = 0;
        fpsSince_ = now;
    }
    int bottom = 0;
    if (display_) {
        drawTimeline(timeline());
        bottom = kTimelineHeight;
    }
    const std::string status = statusLine();
    if (!status.empty()) {
        drawStatusLine({status, 1, 0.45f, 0.4f}, bottom);
        bottom += kHudCellHeight + 4;
    }
    if (display_) drawHud(displayLines(), bottom);
    if (titleAt_ < 0 || now - titleAt_ >= kTitleEvery) {
        titleAt_ = now;
        window_.setTitle(title());
    }
}

void LiveSession::handleMouse() {
    // Only the strip takes the mouse, and only while it is shown; a drag seeks as it
    // goes, once a frame to where the mouse is last.
    std::optional<int> seekTo;
    for (const MouseEvent& e : window_.takeMouseEvents()) {
        switch (e.kind) {
            case MouseEvent::Kind::Press:
                scrubbing_ = display_ && onTimeline(e.y);
                scrubbedTo_ = -1;
                if (scrubbing_) seekTo = e.x;
                break;
            case MouseEvent::Kind::Move:
                if (scrubbing_) seekTo = e.x;
                break;
            case MouseEvent::Kind::Release:
                if (scrubbing_) seekTo = e.x;
                scrubbing_ = false;
                break;
        }
    }
    // The button's release where it went down (a click), or a drag that comes back
    // to the pixel sought last, asks for the moment shown already: no seek again.
    if (!seekTo || *seekTo == scrubbedTo_) return;
    scrubbedTo_ = *seekTo;
    const TimelineView view = timeline();
    if (view.length <= 0) return;
    seek(timelineSecondsAt(view, *seekTo));
}

}  // namespace qm::live
