// music_player.h -- module music playback and its pattern-effect sync.
#pragma once

namespace qm {

class MusicPlayer {
public:
    void stop() { playing = false; }
    bool playing = false;
};

extern MusicPlayer musicPlayer;

}  // namespace qm
