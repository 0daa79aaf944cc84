// The silent player, the null host's: plays nothing and synthesizes
// nothing, but keeps the state a real player would be in, for the tests of
// the run's music calls.
#pragma once

namespace music {

// True while the run would be playing its carol loop. Owned by
// playback_silent.cpp; written by the music calls, read by the tests.
extern bool silent_playing;

}  // namespace music
