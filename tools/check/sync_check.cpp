// sync_check.cpp -- decodes the song like the player, follows the playlist through its Z00, and writes the
// timeline.
#include "check/sync_check.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <iomanip>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "base/paths.h"
#include "music/module_sync.h"
#include "music/music_player.h"
#include "music/song_stream.h"
#include "music/sync_queue.h"
#include "runtime/demo.h"
#include "runtime/sync_table.h"
#include "scene/scene.h"

namespace qm::check {

namespace {

constexpr int kRate = SongStream::kRate;

// A value that acts on the whole screen (or changes the scene) whatever the scene answers.
bool actsOnScreen(int value) {
    return findSyncValue(value) != nullptr;
}

std::string zName(int value) {
    return syncValueName(value);
}

std::string seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", s);
    return text;
}

// A number as it is written by hand: "2", "17", "0.2".
std::string plainNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// The overlay effect of a value, as the player starts it; empty for none.
std::string overlayEffect(int value, float beatUnit) {
    const OverlayEffect* effect = overlayEffectOf(value);
    if (!effect) return {};
    const std::string label = findSyncValue(value)->label;
    if (effect->beatUnits == 0) return label + " (" + plainNumber(kFlashSeconds) + " s)";
    const double units = effect->beatUnits;
    return label + " over " + plainNumber(units) + " units (" + seconds(units * beatUnit) + ")";
}

struct OpenmptModuleFree {
    void operator()(openmpt_module* m) const { openmpt_module_destroy(m); }
};

// What the module player writes to its log while it opens a song, one message a line.
void collectLog(const char* message, void* user) {
    if (message && *message) static_cast<std::vector<std::string>*>(user)->push_back(message);
}

// The module player's short name for the song's format ("xm", "mod", ...), and what it
// logs while opening the song (a truncated or damaged file it reads anyway says so there).
std::string formatName(const std::string& bytes, std::vector<std::string>& log) {
    std::unique_ptr<openmpt_module, OpenmptModuleFree> module(
        openmpt_module_create_from_memory2(bytes.data(), bytes.size(), &collectLog, &log,
                                           openmpt_error_func_ignore, nullptr, nullptr, nullptr, nullptr));
    if (!module) return {};
    const char* type = openmpt_module_get_metadata(module.get(), "type");
    std::string name = type ? type : "";
    openmpt_free_string(type);
    return name;
}

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string plural(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// ---------------------------------------------------------------- following the playlist

struct PlayedEvent {
    SongEvent event;
    const Scene* scene = nullptr;  // current when the value arrives; null after the end
    std::string what;
};

class PlaylistRun {
public:
    PlaylistRun(const Demo& demo, float beatUnit) : demo_(demo), beatUnit_(beatUnit) {
        for (const Scene* s : demo.playlist) {
            if (!s) break;
            entries_.push_back(s);
        }
        // With no playlist the empty chain head plays, and the first change ends the run.
        if (entries_.empty()) entries_.push_back(&demo.sceneChain);
    }

    // Values arrive in time order; a change requested by a Z00 is made before the
    // first value of a later row (the next frame), so values on the Z00's own row
    // still reach the scene it ends. Requests do not queue.
    void play(const SongEvent& e) {
        advanceTo(e.frame);
        PlayedEvent played{e, ended_ ? nullptr : entries_[entry_], {}};
        if (ended_) {
            played.what = "after the end";
            if (e.value == 0) ++changesAfterEnd_;
            ++eventsAfterEnd_;
            played_.push_back(std::move(played));
            return;
        }
        std::vector<std::string> parts;
        if (e.value == 0) {
            if (pending_) {
                parts.push_back("no further change (one per frame)");
            } else {
                pending_ = true;
                pendingEvent_ = e;
                ++changes_;
                const bool last = entry_ + 1 >= entries_.size();
                parts.push_back(last ? std::string("the demo ends")
                                     : "next scene: " + sceneName(entries_[entry_ + 1]));
            }
        }
        const std::string overlay = overlayEffect(e.value, beatUnit_);
        if (!overlay.empty()) parts.push_back(overlay);
        const Scene* scene = entries_[entry_];
        const size_t commands = scene->eventLists[e.value].size();
        if (commands > 0) {
            parts.push_back("event " + std::to_string(e.value) + ": " +
                            plural(commands, "command", "commands"));
        } else {
            parts.push_back("no event " + std::to_string(e.value));
        }
        fired_[scene].insert(e.value);
        std::string what;
        for (const std::string& p : parts) what += (what.empty() ? "" : "; ") + p;
        played.what = what;
        played_.push_back(std::move(played));
    }

    // The next frame step, once the song has reached `frame`: makes a requested change.
    void advanceTo(int64_t frame) {
        if (pending_ && frame > pendingEvent_.frame) change();
    }

    void finishSong() {
        if (pending_) change();
    }

    std::string sceneName(const Scene* scene) const {
        if (scene == &demo_.sceneChain || !scene) return "(empty scene)";
        return scene->name ? *scene->name : std::string();
    }

    const std::vector<const Scene*>& entries() const { return entries_; }
    const std::vector<PlayedEvent>& played() const { return played_; }
    const std::map<const Scene*, std::set<int>>& fired() const { return fired_; }
    size_t entryReached() const { return entry_; }
    bool ended() const { return ended_; }
    const SongEvent& endEvent() const { return endEvent_; }
    int changes() const { return changes_; }
    int changesAfterEnd() const { return changesAfterEnd_; }
    int eventsAfterEnd() const { return eventsAfterEnd_; }

private:
    void change() {
        pending_ = false;
        if (entry_ + 1 >= entries_.size()) {
            ended_ = true;
            endEvent_ = pendingEvent_;
        } else {
            ++entry_;
        }
    }

    const Demo& demo_;
    float beatUnit_;
    std::vector<const Scene*> entries_;
    size_t entry_ = 0;
    bool pending_ = false;
    SongEvent pendingEvent_;
    bool ended_ = false;
    SongEvent endEvent_;
    int changes_ = 0;
    int changesAfterEnd_ = 0;
    int eventsAfterEnd_ = 0;
    std::vector<PlayedEvent> played_;
    std::map<const Scene*, std::set<int>> fired_;
};

std::string where(const SongEvent& e) {
    return formatTime(e.frame) + " (order " + std::to_string(e.order) + ", row " + std::to_string(e.row) +
           ")";
}

void writeTimeline(std::ostream& out, const std::string& songFile, const SongReading& song, float beatUnit,
                   const PlaylistRun& run) {
    out << "song " << songFile << ": " << formatTime(song.frames) << ", tempo " << song.tempo
        << ", beat unit " << seconds(beatUnit) << ", "
        << plural(song.events.size(), "sync value", "sync values") << '\n';
    size_t sceneWidth = 5;
    for (const PlayedEvent& p : run.played())
        sceneWidth = std::max(sceneWidth, p.scene ? run.sceneName(p.scene).size() : 1);
    out << std::left << std::setw(10) << "time" << std::setw(11) << "order/row" << std::setw(6) << "value"
        << std::setw(static_cast<int>(sceneWidth) + 2) << "scene"
        << "what happens\n";
    for (const PlayedEvent& p : run.played()) {
        if (p.event.pass > 1) break;
        const std::string position = std::to_string(p.event.order) + "/" + std::to_string(p.event.row);
        out << std::setw(10) << formatTime(p.event.frame) << std::setw(11) << position << std::setw(6)
            << zName(p.event.value) << std::setw(static_cast<int>(sceneWidth) + 2)
            << (p.scene ? run.sceneName(p.scene) : "-") << p.what << '\n';
    }
    if (!song.loops) return;
    out << "song loops at " << formatTime(song.frames) << " to order " << song.loopOrder << " row "
        << song.loopRow;
    if (run.ended() && run.endEvent().pass > 1)
        out << "; the demo ends in pass " << run.endEvent().pass << ", at " << where(run.endEvent());
    out << '\n';
}

// The passes after the first, as the player plays on, until the demo ends: the
// second as decoded, the later ones as repeats of it. Without a scene change in
// the second pass the demo stays where it is for ever, so one pass tells.
void playLaterPasses(PlaylistRun& run, const SongReading& song) {
    if (!song.loops) return;
    const bool changes = std::any_of(song.loopEvents.begin(), song.loopEvents.end(),
                                     [](const SongEvent& e) { return e.value == 0; });
    // Each pass with a Z00 changes the scene at least once, so the run ends within
    // as many passes as the playlist has entries.
    const int lastPass = static_cast<int>(run.entries().size()) + 2;
    for (int pass = 2; pass <= lastPass; ++pass) {
        const int64_t shift = (pass - 2) * song.loopFrames;
        for (SongEvent e : song.loopEvents) {
            e.frame += shift;
            e.pass = pass;
            // Nothing after the end is played: a looping song always has more to play.
            run.advanceTo(e.frame);
            if (run.ended()) return;
            run.play(e);
        }
        if (!changes || song.loopFrames == 0) return;
    }
}

}  // namespace

std::string sceneNameOf(const Demo& demo, const Scene* scene) {
    if (!scene || scene == &demo.sceneChain) return "(empty scene)";
    return scene->name ? *scene->name : std::string();
}

std::string describeSyncValue(const Demo& demo, int value) {
    const SyncValue* row = findSyncValue(value);
    std::vector<std::string> parts;
    if (row && row->nextScene) {
        const int next = demo.playIndex + 1;
        const Scene* scene = next < Demo::kPlaylistSize ? demo.playlist[static_cast<size_t>(next)] : nullptr;
        if (demo.advanceRequested)
            parts.push_back("(a change is already due)");
        else
            parts.push_back(scene ? "next scene " + sceneNameOf(demo, scene)
                                  : std::string("end of the demo"));
    }
    if (row && row->overlayEffect >= 0) parts.push_back(row->label);
    if (demo.current && !demo.current->eventLists[static_cast<size_t>(value)].empty())
        parts.push_back("event " + std::to_string(value));
    if (parts.empty()) return "nothing (no event " + std::to_string(value) + ")";
    std::string text;
    for (const std::string& p : parts) text += (text.empty() ? "" : " + ") + p;
    return text;
}

std::string formatTime(int64_t frames) {
    const int64_t ms = (frames * 1000 + kRate / 2) / kRate;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld.%03lld", static_cast<long long>(ms / 60000),
                  static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
    return text;
}

namespace {

SongReading readSongBytes(std::string bytes) {
    SongReading reading;
    reading.status = SongReading::Status::Unreadable;
    reading.typeName = formatName(bytes, reading.moduleLog);
    if (const uint64_t described = moduleBytesDescribed(bytes); described > bytes.size()) {
        reading.describedBytes = described;
        reading.fileBytes = bytes.size();
    }
    reading.canCarrySync = detectModuleFormat(bytes) != ModuleFormat::Unknown;
    auto stream = std::make_unique<SongStream>();
    if (!stream->open(std::move(bytes))) return reading;
    reading.status = SongReading::Status::Read;
    if (stream->syncTable().markCount() > 0) reading.canCarrySync = true;

    // As the music player starts it: the first block decoded ahead for the tempo.
    // A render of one block decodes at most one row, so every value queued by a
    // call belongs to the row (and the pass) the stream reports after it.
    auto queue = std::make_unique<SyncQueue>();
    auto collect = [&] {
        for (SyncEvent e; queue->peek(e); queue->pop()) {
            const SongEvent event{e.value, e.samplePosition, stream->order(), stream->row(), stream->pass()};
            if (event.pass == 1) reading.events.push_back(event);
            if (event.pass == 2) reading.loopEvents.push_back(event);
        }
    };
    // Every row entered, at the first frame of the block in which it began (as its values are stamped).
    auto noteRow = [&](int64_t frame) {
        const SongRowStart start{frame, stream->order(), stream->row()};
        std::vector<SongRowStart>& rows = stream->pass() == 1 ? reading.rows : reading.loopRows;
        if (stream->pass() > 2 || start.order < 0) return;
        if (rows.empty() || rows.back().order != start.order || rows.back().row != start.row)
            rows.push_back(start);
    };
    stream->prime(*queue);
    reading.tempo = stream->tempo();
    noteRow(0);
    collect();
    std::array<int16_t, SongStream::kBlockFrames * SongStream::kChannels> block{};
    const int64_t limit = int64_t{kMaxSongSeconds} * kRate;
    while (!stream->finished() && stream->pass() <= 2) {
        if (stream->framesDecoded() - stream->passStart() >= limit) {
            reading.cutOff = stream->pass() == 1;
            break;
        }
        const int pass = stream->pass();
        stream->render(block.data(), SongStream::kBlockFrames, *queue);
        if (stream->pass() == 2 && pass == 1) {
            reading.loops = true;
            reading.frames = stream->passStart();
            reading.loopOrder = stream->order();
            reading.loopRow = stream->row();
        } else if (stream->pass() == 3) {
            reading.loopFrames = stream->passStart() - reading.frames;
        }
        noteRow(stream->framesRendered() - static_cast<int64_t>(SongStream::kBlockFrames));
        collect();
    }
    if (!reading.loops) reading.frames = stream->framesDecoded();
    return reading;
}

}  // namespace

SongReading readSong(std::string_view path, FileSource& files) {
    std::string bytes;
    if (!files.read(path, bytes)) return SongReading{};
    return readSongBytes(std::move(bytes));
}

const SongReading& SongCache::read(std::string_view path, FileSource& files) {
    std::string bytes;
    const bool found = files.read(path, bytes);
    Entry& entry = entries_[resolvePath(path)];
    const bool same = found ? entry.reading.status != SongReading::Status::CannotOpen && entry.bytes == bytes
                            : entry.reading.status == SongReading::Status::CannotOpen && entry.bytes.empty();
    if (same) return entry.reading;
    entry.bytes = bytes;
    entry.reading = found ? readSongBytes(std::move(bytes)) : SongReading{};
    return entry.reading;
}

void checkSync(const DemoFacts& facts, const Demo& demo, FileSource& files, const std::string& globalsFile,
               Diagnostics& diagnostics, std::ostream* timeline, SongCache* songs) {
    SongReading song;
    std::string songFile;
    for (const SongLine& line : facts.songs) {
        song = songs ? songs->read(line.path, files) : readSong(line.path, files);
        songFile = displayPath(line.path);
        const std::string shown = inQuotes(songFile);
        switch (song.status) {
            case SongReading::Status::CannotOpen:
                diagnostics.error(globalsFile, line.line, "cannot open song " + shown);
                break;
            case SongReading::Status::Unreadable:
                diagnostics.error(globalsFile, line.line, "the module player cannot read song " + shown);
                break;
            case SongReading::Status::Read:
                if (!song.canCarrySync)
                    diagnostics.error(
                        globalsFile, line.line,
                        "song " + shown + " is a " + upper(song.typeName) +
                            " module, which cannot carry Zxx sync marks: no sync events will come");
                else if (song.events.empty())
                    diagnostics.warning(
                        globalsFile, line.line,
                        "song " + shown + " plays no Zxx sync marks: no sync events will come");
                for (const std::string& said : song.moduleLog)
                    diagnostics.warning(
                        globalsFile, line.line,
                        "song " + shown + ": the module player reads it with a warning: " + said);
                if (song.describedBytes > 0)
                    diagnostics.warning(globalsFile, line.line,
                                        "song " + shown + " is cut short: its " +
                                            std::to_string(song.fileBytes) +
                                            " bytes end before what its headers describe; it is damaged (the "
                                            "module player plays what is there and the rest as silence)");
                if (song.cutOff)
                    diagnostics.warning(globalsFile, line.line,
                                        "song " + shown +
                                            " plays for more than an hour before it loops; its sync is "
                                            "checked up to there");
                break;
        }
    }
    if (facts.songs.empty() || song.status != SongReading::Status::Read) {
        if (timeline) *timeline << "no song is played: no sync events\n";
        return;
    }

    const float beatUnit = static_cast<float>(song.tempo) * MusicPlayer::kBeatUnitPerTempo;
    PlaylistRun run(demo, beatUnit);
    for (const SongEvent& e : song.events) run.play(e);
    playLaterPasses(run, song);
    run.finishSong();
    if (timeline) writeTimeline(*timeline, songFile, song, beatUnit, run);

    std::map<const Scene*, const SceneFacts*> factsOf;
    for (const SceneFacts& s : facts.scenes) factsOf[s.scene] = &s;

    // Values that reach a scene without an answer and do nothing else.
    struct Unanswered {
        SongEvent first;
        int count = 0;
    };
    std::map<std::pair<const Scene*, int>, Unanswered> unanswered;
    for (const PlayedEvent& p : run.played()) {
        if (!p.scene || actsOnScreen(p.event.value) || !p.scene->eventLists[p.event.value].empty()) continue;
        Unanswered& u = unanswered[{p.scene, p.event.value}];
        if (u.count++ == 0) u.first = p.event;
    }
    for (const auto& [key, u] : unanswered) {
        const auto it = factsOf.find(key.first);
        if (it == factsOf.end()) continue;  // the empty scene: its playlist name is reported
        const int value = key.second;
        std::string message =
            "the song plays " + zName(value) + " (event " + std::to_string(value) + ") at " + where(u.first);
        if (u.count > 1)
            message += " and " + plural(static_cast<size_t>(u.count - 1), "more time", "more times");
        message += " while scene " + inQuotes(run.sceneName(key.first)) + " plays, which has no \"on sync " +
                   std::to_string(value) + "\"";
        diagnostics.warning(it->second->file, 0, message);
    }

    // Declared events the song never fires while their scene plays.
    std::set<const Scene*> visited;
    for (size_t i = 0; i <= run.entryReached() && i < run.entries().size(); ++i)
        visited.insert(run.entries()[i]);
    for (const Scene* scene : visited) {
        const auto it = factsOf.find(scene);
        if (it == factsOf.end()) continue;
        const auto fired = run.fired().find(scene);
        for (const auto& [event, line] : it->second->eventLines) {
            if (scene->eventLists[event].empty()) continue;
            if (fired != run.fired().end() && fired->second.count(event)) continue;
            diagnostics.warning(it->second->file, line,
                                "event " + std::to_string(event) + " is never fired while scene " +
                                    inQuotes(run.sceneName(scene)) + " plays: the song has no " +
                                    zName(event) + " then");
        }
    }

    // Whether the scene changes end the demo at the last playlist entry.
    const int playlistLine = facts.playlistLine;
    const size_t entries = run.entries().size();
    const size_t changes = static_cast<size_t>(run.changes() + run.changesAfterEnd());
    const std::string counts = "the song changes scene " + plural(changes, "time", "times") +
                               " (Z00) and the playlist has " + plural(entries, "entry", "entries");
    if (!run.ended()) {
        std::string message = counts + ": the demo does not end by itself; it stays on scene " +
                              inQuotes(run.sceneName(run.entries()[run.entryReached()]));
        if (song.loops)
            message += ": the song loops at " + formatTime(song.frames) + " to order " +
                       std::to_string(song.loopOrder) + " row " + std::to_string(song.loopRow) +
                       " and plays no Z00 from there on";
        else
            message += " after the song ends at " + formatTime(song.frames);
        if (run.entryReached() + 1 < entries)
            message += ", and " +
                       plural(entries - run.entryReached() - 1, "playlist entry is", "playlist entries are") +
                       " never reached";
        diagnostics.warning(globalsFile, playlistLine, message);
    } else if (run.changesAfterEnd() > 0) {
        diagnostics.warning(
            globalsFile, playlistLine,
            counts + ": the demo ends early, at " + where(run.endEvent()) + ", and the song asks for " +
                plural(static_cast<size_t>(run.changesAfterEnd()), "more change", "more changes") +
                " after that");
    } else if (run.eventsAfterEnd() > 0) {
        diagnostics.warning(
            globalsFile, playlistLine,
            "the demo ends at " + where(run.endEvent()) + ", before the song's last " +
                plural(static_cast<size_t>(run.eventsAfterEnd()), "sync value", "sync values"));
    }
}

}  // namespace qm::check
