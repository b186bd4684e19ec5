// demo_song.h -- the bundled demo's song: six eight-bar sections in A minor with the demo's Zxx sync marks.
#pragma once

#include <string>
#include <vector>

#include "modwrite/module_writer.h"

namespace qm::demosong {

inline constexpr const char* kFileName = "song.xm";

inline constexpr int kTempo = 120;  // the player's beat unit is then 0.25 s
inline constexpr int kSpeed = 6;    // ticks per row: four rows to the beat
inline constexpr int kRowsPerBeat = 4;
inline constexpr int kRowsPerBar = 16;
inline constexpr int kBarsPerScene = 8;
inline constexpr int kSceneCount = 6;
inline constexpr double kSecondsPerRow = 2.5 * kSpeed / kTempo;
inline constexpr double kSecondsPerScene = kSecondsPerRow * kRowsPerBar * kBarsPerScene;

struct Composition {
    modwrite::Song song;
    std::vector<std::string> problems;  // notation the score could not place; empty when all is well
};

// Writes the score into a song: the same notes, instruments and sync marks every time.
Composition compose();

// The song as an XM file; empty when composing reported a problem or the song does not fit.
std::string writeSong();

}  // namespace qm::demosong
