// music_player.h -- module music playback and its pattern-effect sync.
#pragma once

#include <string_view>

namespace qm {

class MusicPlayer {
public:
    // "music on" (n = 1) / "music off" (n = 0): opens the sound output.
    void init(int) { soundOpen = true; }
    // "music file": loads a song, only after init.
    void loadSong(std::string_view) {
        if (soundOpen) songLoaded = true;
    }
    // End of the globals script: starts the song, if one was loaded.
    void play() {
        if (songLoaded) playing = true;
    }
    void stop() { playing = false; }
    // At the demo's destruction: frees the song and closes the output.
    void close() {}

    float beatUnit = 0;
    bool soundOpen = false;
    bool songLoaded = false;
    bool playing = false;
};

extern MusicPlayer musicPlayer;

}  // namespace qm
