// The null host's player: plays nothing and synthesizes nothing, but keeps
// the state a real player would be in.
#include "host/null/null_host.h"
#include "music/music.h"

namespace host {

bool silent_music_playing = false;

}  // namespace host

namespace music {

namespace {

// whether build_music ran this run: pause and restart need a loop to act on
bool built = false;

}  // namespace

void build_music() { built = host::silent_music_playing = true; }

void stop_music() { built = host::silent_music_playing = false; }

void pause_music() { host::silent_music_playing = false; }

void restart_music() {
    if (built) host::silent_music_playing = true;
}

}  // namespace music
