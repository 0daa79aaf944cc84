// The silent player: the music calls of a run with no sound.
#include "music/playback_silent.h"

#include "music/music.h"

namespace music {

bool silent_playing = false;

namespace {

// whether build_music ran this run: pause and restart need a loop to act on
bool built = false;

}  // namespace

void build_music() { built = silent_playing = true; }

void stop_music() { built = silent_playing = false; }

void pause_music() { silent_playing = false; }

void restart_music() {
    if (built) silent_playing = true;
}

}  // namespace music
