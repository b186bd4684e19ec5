// The demo's song through the player's own decoder: length, levels, where its sync marks fall
// against the scene scripts, and the synthesized instruments' pitches and envelopes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/paths.h"
#include "compose/demo_song.h"
#include "compose/instruments.h"
#include "music/song_stream.h"
#include "script/token_line.h"

namespace qm {
namespace {

constexpr int kRate = SongStream::kRate;
const std::string kDemoDir = std::string(QUILLMOOR_SOURCE_DIR) + "/demo/";

// The values that also act on the whole screen, whatever scene plays.
const std::set<int> kScreenValues = {0, 1, 2, 3, 4, 5, 6, 27, 255};

struct Decoded {
    std::vector<int16_t> pcm;  // interleaved stereo, the whole song
    std::vector<SyncEvent> events;
    int64_t frames = 0;
    int tempo = 0;
};

// The first pass, through the player's own decoding (the player then plays on from where the song loops).
Decoded decode(const std::string& bytes, double maxSeconds = 1e9) {
    Decoded d;
    SongStream stream;
    if (!stream.open(bytes, SongStream::Passes::Once)) return d;
    auto queue = std::make_unique<SyncQueue>();
    stream.prime(*queue);
    d.tempo = stream.tempo();
    constexpr size_t kChunk = 4096;
    std::vector<int16_t> block(kChunk * 2);
    while (!stream.finished() && stream.framesRendered() < maxSeconds * kRate) {
        stream.render(block.data(), kChunk, *queue);
        d.pcm.insert(d.pcm.end(), block.begin(), block.end());
        for (SyncEvent e; queue->peek(e); queue->pop()) d.events.push_back(e);
    }
    d.frames = std::min<int64_t>(stream.framesDecoded(), static_cast<int64_t>(d.pcm.size() / 2));
    d.pcm.resize(static_cast<size_t>(d.frames) * 2);
    return d;
}

const std::string& songBytes() {
    static const std::string bytes = demosong::writeSong();
    return bytes;
}

const Decoded& song() {
    static const Decoded d = decode(songBytes());
    return d;
}

double seconds(int64_t frames) {
    return static_cast<double>(frames) / kRate;
}

double rmsDb(const std::vector<int16_t>& pcm, int64_t firstFrame, int64_t frames) {
    const size_t from = static_cast<size_t>(std::max<int64_t>(firstFrame, 0)) * 2;
    const size_t to = std::min(pcm.size(), from + static_cast<size_t>(frames) * 2);
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += static_cast<double>(pcm[i]) * pcm[i];
    const double meanSquare = to > from ? sum / static_cast<double>(to - from) : 0.0;
    return 10 * std::log10(meanSquare / (32768.0 * 32768.0) + 1e-12);
}

// ---------------------------------------------------------------- the scene scripts

struct SceneScript {
    std::string name;
    std::set<int> events;  // the numbers of its "on sync" lists
};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The playlist's scenes in playing order, each with the sync events its script declares.
std::vector<SceneScript> playlist() {
    std::string globals;
    EXPECT_TRUE(readWholeFile(kDemoDir + "data/globals.qms", globals));
    std::map<std::string, std::string> files;
    std::vector<std::string> order;
    for (const std::string& line : linesOf(globals)) {
        TokenLine words;
        words.splitWords(line);
        if (words.count() == 4 && words.wordString(0) == "new" && words.wordString(1) == "scene")
            files[words.wordString(3)] = words.wordString(2);
        if (words.count() > 1 && words.wordString(0) == "scenes") {
            order.clear();
            for (int i = 1; i < words.count(); ++i) order.push_back(words.wordString(i));
        }
    }
    std::vector<SceneScript> scenes;
    for (const std::string& name : order) {
        SceneScript scene{name, {}};
        std::string text;
        EXPECT_TRUE(readWholeFile(kDemoDir + files[name], text)) << name;
        for (const std::string& line : linesOf(text)) {
            TokenLine words;
            words.splitWords(line);
            if (words.count() == 3 && words.wordString(0) == "on" && words.wordString(1) == "sync")
                scene.events.insert(std::atoi(words.word(2)));
        }
        scenes.push_back(scene);
    }
    return scenes;
}

// The playlist index of the scene that an event reaches: the scene changes in the frame
// after a Z00, so everything on the Z00's own row still reaches the scene it ends.
int sceneOf(const SyncEvent& event, const std::vector<SyncEvent>& events) {
    int changes = 0;
    for (const SyncEvent& e : events)
        if (e.value == 0 && e.samplePosition < event.samplePosition) ++changes;
    return changes;
}

std::vector<int64_t> positionsOf(int value) {
    std::vector<int64_t> at;
    for (const SyncEvent& e : song().events)
        if (e.value == value) at.push_back(e.samplePosition);
    return at;
}

// ---------------------------------------------------------------- the whole song

TEST(DemoSong, ComposesWithoutProblemsToTheSameSmallFileEveryTime) {
    const demosong::Composition c = demosong::compose();
    for (const std::string& p : c.problems) ADD_FAILURE() << p;
    const std::string bytes = demosong::writeSong();
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes, modwrite::writeXm(c.song));
    EXPECT_EQ(bytes, songBytes());
    EXPECT_LT(bytes.size(), 300u * 1024);
    EXPECT_EQ(bytes.compare(0, 17, "Extended Module: "), 0);
}

TEST(DemoSong, PlaysForSixScenesAtTheTempoThatSetsTheBeatUnit) {
    const Decoded& d = song();
    ASSERT_GT(d.frames, 0) << "the module player cannot read the song";
    EXPECT_GE(seconds(d.frames), 60.0);
    EXPECT_LE(seconds(d.frames), 120.0);
    EXPECT_NEAR(seconds(d.frames), demosong::kSceneCount * demosong::kSecondsPerScene + 1.0, 0.5);
    EXPECT_EQ(d.tempo, demosong::kTempo);  // beat unit 0.25 s
}

// ---------------------------------------------------------------- sync

TEST(DemoSongSync, SixSceneChangesOnTheEightBarPhrases) {
    const std::vector<int64_t> changes = positionsOf(0);
    ASSERT_EQ(changes.size(), 6u);
    ASSERT_EQ(playlist().size(), 6u) << "one change per scene of the playlist";
    for (size_t k = 0; k < changes.size(); ++k) {
        SCOPED_TRACE(k);
        // The player's ticks are whole samples, so the song runs a hair fast.
        EXPECT_NEAR(seconds(changes[k]), (k + 1) * demosong::kSecondsPerScene, 0.1);
    }
}

TEST(DemoSongSync, EveryMarkReachesASceneThatAnswersIt) {
    const std::vector<SceneScript> scenes = playlist();
    const std::vector<SyncEvent>& events = song().events;
    ASSERT_FALSE(events.empty());
    std::set<int64_t> changeRows;
    for (const SyncEvent& e : events)
        if (e.value == 0) changeRows.insert(e.samplePosition);
    for (const SyncEvent& e : events) {
        const int scene = sceneOf(e, events);
        SCOPED_TRACE(::testing::Message()
                     << "Z" << int(e.value) << " at " << seconds(e.samplePosition) << " s");
        ASSERT_LT(scene, static_cast<int>(scenes.size())) << "after the run has ended";
        if (!kScreenValues.count(e.value)) {
            EXPECT_TRUE(scenes[scene].events.count(e.value)) << scenes[scene].name << " has no such event";
        }
        if (changeRows.count(e.samplePosition) && e.value != 0) {
            EXPECT_TRUE(kScreenValues.count(e.value))
                << "a scene's own event on a change row reaches the old scene";
        }
    }
}

TEST(DemoSongSync, EveryScenePlaysEachOfItsEvents) {
    const std::vector<SceneScript> scenes = playlist();
    std::vector<std::set<int>> fired(scenes.size());
    for (const SyncEvent& e : song().events) {
        const int scene = sceneOf(e, song().events);
        if (scene < static_cast<int>(scenes.size())) fired[scene].insert(e.value);
    }
    for (size_t s = 0; s < scenes.size(); ++s) {
        EXPECT_TRUE(scenes[s].events.count(7)) << scenes[s].name << " has no title event";
        for (int value : scenes[s].events)
            EXPECT_TRUE(fired[s].count(value)) << scenes[s].name << " never gets Z" << value;
    }
}

TEST(DemoSongSync, TheSongEndsWithTheLastChangeAfterTheWhiteAndTheBlack) {
    const std::vector<SyncEvent>& events = song().events;
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().value, 0);
    const std::vector<int64_t> changes = positionsOf(0), white = positionsOf(255), black = positionsOf(3);
    ASSERT_EQ(white.size(), 1u);
    ASSERT_FALSE(black.empty());
    const int64_t end = changes.back();
    EXPECT_LT(white[0], black.back());
    EXPECT_LT(black.back(), end);
    EXPECT_GT(white[0], changes[changes.size() - 2]) << "the slow white belongs to the finale";
}

// Each fade runs to its end just as the scene change comes, and no sooner: a fade that
// ends earlier lets the picture jump back before the cut.
TEST(DemoSongSync, FadesEndOnTheSceneChangeTheyLeadInto) {
    const int64_t unit = kRate / 4;  // beat unit at 120: 0.25 s
    const std::vector<int64_t> changes = positionsOf(0);
    auto nextChange = [&](int64_t at) {
        for (int64_t c : changes)
            if (c >= at) return c;
        return int64_t{-1};
    };
    const struct {
        int value;
        int64_t lengthInUnits;
    } fades[] = {{2, 2}, {3, 2}};
    for (const auto& fade : fades) {
        const std::vector<int64_t> at = positionsOf(fade.value);
        EXPECT_FALSE(at.empty()) << "Z0" << fade.value;
        for (int64_t start : at)
            EXPECT_NEAR(seconds(nextChange(start) - start), seconds(fade.lengthInUnits * unit), 0.02)
                << "Z0" << fade.value << " at " << seconds(start);
    }
    // The slow white is still rising at the end.
    const std::vector<int64_t> white = positionsOf(255);
    ASSERT_EQ(white.size(), 1u);
    EXPECT_LE(changes.back() - white[0], 17 * unit);
    // The fade up from black starts with the scene after a fade to black.
    const std::vector<int64_t> black = positionsOf(3), up = positionsOf(4);
    ASSERT_FALSE(up.empty());
    for (int64_t start : up) {
        EXPECT_TRUE(std::count(changes.begin(), changes.end(), start)) << "on the change row";
        EXPECT_TRUE(
            std::any_of(black.begin(), black.end(), [&](int64_t b) { return nextChange(b) == start; }));
    }
}

// ---------------------------------------------------------------- levels

TEST(DemoSongLevels, LoudEnoughWithoutClippingAndSilentOnlyInTheBreak) {
    const Decoded& d = song();
    ASSERT_GT(d.frames, 0);
    const int64_t clipped =
        std::count_if(d.pcm.begin(), d.pcm.end(), [](int16_t s) { return s >= 32767 || s <= -32767; });
    EXPECT_LE(clipped, 4);
    const double overall = rmsDb(d.pcm, 0, d.frames);
    EXPECT_GT(overall, -24.0);
    EXPECT_LT(overall, -12.0);

    // The break in the ball scene: the beat after its Z06 is silent; everything else up to
    // the last scene change is music.
    const std::vector<int64_t> dips = positionsOf(6), changes = positionsOf(0);
    ASSERT_EQ(dips.size(), 1u);
    const int64_t rest = dips[0], beat = kRate / 2;
    EXPECT_LT(rmsDb(d.pcm, rest + beat / 8, beat * 3 / 4), -80.0) << "the break is not silent";
    constexpr int64_t kWindow = kRate / 4;
    for (int64_t at = 0; at + kWindow <= changes.back(); at += kWindow) {
        if (at + kWindow > rest && at < rest + beat) continue;
        EXPECT_GT(rmsDb(d.pcm, at, kWindow), -50.0) << "quiet at " << seconds(at) << " s";
    }
    EXPECT_LT(rmsDb(d.pcm, d.frames - kWindow, kWindow), -80.0) << "the last chord has died away";
}

// ---------------------------------------------------------------- instruments

// One note of one instrument, decoded for `secondsLong`, as a mono signal.
std::vector<double> playNote(demosong::Voice voice, int pitch, double secondsLong) {
    modwrite::Song s;
    s.channels = 1;
    s.tempo = demosong::kTempo;
    s.speed = demosong::kSpeed;
    s.instruments = demosong::makeInstruments();
    s.orders.push_back(s.addPattern(64));
    modwrite::Cell& c = s.cell(0, 0, 0);
    c.note = static_cast<uint8_t>(modwrite::kMiddleC + pitch - 60);
    c.instrument = static_cast<uint8_t>(voice);
    c.volume = 64;
    const Decoded d = decode(modwrite::writeXm(s), secondsLong);
    std::vector<double> mono(static_cast<size_t>(d.frames));
    for (size_t i = 0; i < mono.size(); ++i) mono[i] = (d.pcm[2 * i] + d.pcm[2 * i + 1]) / 65536.0;
    return mono;
}

// The fundamental by autocorrelation: the shortest lag that correlates nearly as well as
// the best one (a whole-number multiple of the period correlates as well as the period).
double fundamentalHz(const std::vector<double>& x, size_t from, size_t length, double lowHz, double highHz) {
    const int minLag = static_cast<int>(kRate / highHz), maxLag = static_cast<int>(kRate / lowHz) + 1;
    std::vector<double> r(static_cast<size_t>(maxLag) + 2, 0.0);
    for (int lag = minLag - 1; lag <= maxLag + 1; ++lag) {
        double xy = 0, xx = 0, yy = 0;
        for (size_t i = from; i < from + length; ++i) {
            xy += x[i] * x[i + lag];
            xx += x[i] * x[i];
            yy += x[i + lag] * x[i + lag];
        }
        r[static_cast<size_t>(lag)] = xy / std::sqrt(xx * yy + 1e-30);
    }
    const double best = *std::max_element(r.begin() + minLag, r.begin() + maxLag + 1);
    for (int lag = minLag; lag <= maxLag; ++lag) {
        if (r[lag] < 0.9 * best || r[lag] < r[lag - 1] || r[lag] < r[lag + 1]) continue;
        const double a = r[lag - 1], b = r[lag], c = r[lag + 1];
        const double shift = (a - c) / (2 * (a - 2 * b + c));  // peak of the parabola through the three
        return kRate / (lag + (std::isfinite(shift) ? shift : 0.0));
    }
    return 0;
}

struct PitchCase {
    demosong::Voice voice;
    int pitch;  // MIDI number
    double hz;
};

void PrintTo(const PitchCase& p, std::ostream* os) {
    *os << "instrument " << p.voice << " at MIDI " << p.pitch;
}

class InstrumentPitch : public ::testing::TestWithParam<PitchCase> {};

TEST_P(InstrumentPitch, SoundsTheNoteItIsGiven) {
    const PitchCase& p = GetParam();
    const std::vector<double> x = playNote(p.voice, p.pitch, 1.0);
    ASSERT_GT(x.size(), static_cast<size_t>(kRate * 0.9));
    // After the attack, well before the bell has died away.
    const double hz = fundamentalHz(x, kRate / 5, kRate / 4, p.hz / 3, p.hz * 3);
    EXPECT_NEAR(hz, p.hz, p.hz * 0.005) << "about 9 cents";
}

INSTANTIATE_TEST_SUITE_P(
    DemoSong, InstrumentPitch,
    ::testing::Values(PitchCase{demosong::kBass, 33, 55.0}, PitchCase{demosong::kBass, 40, 82.41},
                      PitchCase{demosong::kLead, 69, 440.0}, PitchCase{demosong::kLead, 76, 659.26},
                      PitchCase{demosong::kPad, 60, 261.63}, PitchCase{demosong::kBell, 81, 880.0}),
    [](const auto& info) {
        return info.param.voice == demosong::kBass   ? "Bass" + std::to_string(info.param.pitch)
               : info.param.voice == demosong::kLead ? "Lead" + std::to_string(info.param.pitch)
               : info.param.voice == demosong::kPad  ? "Pad" + std::to_string(info.param.pitch)
                                                     : "Bell" + std::to_string(info.param.pitch);
    });

// Sample data of an instrument as floats, and measurements over a stretch of it in seconds.
struct Shot {
    std::vector<double> x;
    int rate;
    size_t at(double s) const { return std::min(x.size(), static_cast<size_t>(s * rate)); }
    double rms(double from, double to) const {
        double sum = 0;
        for (size_t i = at(from); i < at(to); ++i) sum += x[i] * x[i];
        return std::sqrt(sum / std::max<size_t>(1, at(to) - at(from)));
    }
    // Zero crossings per second; half of it is the frequency of a plain tone.
    double crossingsPerSecond(double from, double to) const {
        int n = 0;
        for (size_t i = at(from) + 1; i < at(to); ++i) n += (x[i - 1] < 0) != (x[i] < 0);
        return n / (to - from);
    }
};

Shot shotOf(demosong::Voice voice) {
    const modwrite::Instrument ins = demosong::makeInstruments()[voice - 1];
    Shot s{{}, ins.middleRate};
    for (int16_t v : ins.samples) s.x.push_back(v / 32768.0);
    return s;
}

TEST(DemoSongInstruments, KickDropsInPitchAndDiesAway) {
    const Shot kick = shotOf(demosong::kKick);
    EXPECT_GT(kick.crossingsPerSecond(0.0, 0.015), 2 * kick.crossingsPerSecond(0.08, 0.2));
    EXPECT_NEAR(kick.crossingsPerSecond(0.08, 0.3) / 2, 46.0, 8.0) << "a low thump";
    EXPECT_LT(kick.rms(0.35, 0.45), 0.08 * kick.rms(0.0, 0.05));
    EXPECT_LT(std::abs(kick.x.back()), 0.01) << "ends without a click";
}

TEST(DemoSongInstruments, SnareAndHatsAreNoiseThatDecays) {
    const struct {
        demosong::Voice voice;
        double minCrossings;
    } cases[] = {{demosong::kSnare, 1500}, {demosong::kClosedHat, 8000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.voice);
        const Shot s = shotOf(c.voice);
        const double length = static_cast<double>(s.x.size()) / s.rate;
        EXPECT_LT(length, 0.5);
        EXPECT_GT(s.crossingsPerSecond(0.0, length / 3), c.minCrossings);
        EXPECT_LT(s.rms(length * 0.75, length), 0.1 * s.rms(0.0, length / 6));
    }
}

TEST(DemoSongInstruments, LoopsJoinSmoothlyAndEveryNoteCanDie) {
    for (const modwrite::Instrument& ins : demosong::makeInstruments()) {
        SCOPED_TRACE(ins.name);
        ASSERT_FALSE(ins.samples.empty());
        const modwrite::Envelope& env = ins.volumeEnvelope;
        if (ins.loopEnd > ins.loopStart) {
            ASSERT_LE(ins.loopEnd, static_cast<int>(ins.samples.size()));
            int largestStep = 0;
            for (int i = ins.loopStart + 1; i < ins.loopEnd; ++i)
                largestStep = std::max(largestStep, std::abs(ins.samples[i] - ins.samples[i - 1]));
            EXPECT_LE(std::abs(ins.samples[ins.loopStart] - ins.samples[ins.loopEnd - 1]), largestStep);
            // A loop without an envelope that ends at zero rings for ever; with a sustain
            // it must still stop after the key is let go.
            ASSERT_FALSE(env.points.empty());
            EXPECT_TRUE(env.points.back().value == 0 || (env.sustain >= 0 && ins.fadeout > 0));
        }
        for (size_t i = 1; i < env.points.size(); ++i) EXPECT_GT(env.points[i].tick, env.points[i - 1].tick);
    }
}

TEST(DemoSongInstruments, EveryPitchedNoteIsInAMinor) {
    const std::set<int> harmonicMinor = {9, 11, 0, 2, 4, 5, 7, 8};  // A B C D E F G G#
    const std::set<int> pitched = {demosong::kBass, demosong::kLead, demosong::kPad, demosong::kBell};
    const demosong::Composition c = demosong::compose();
    int notes = 0;
    for (const modwrite::Pattern& p : c.song.patterns)
        for (const modwrite::Cell& cell : p.cells) {
            if (!pitched.count(cell.instrument) || cell.note == modwrite::kNoNote ||
                cell.note == modwrite::kNoteOff)
                continue;
            ++notes;
            EXPECT_TRUE(harmonicMinor.count((cell.note - modwrite::kMiddleC + 60) % 12)) << int(cell.note);
        }
    EXPECT_GT(notes, 500);
}

}  // namespace
}  // namespace qm
