// Music: the carol loop, synthesized at start-up and played from memory.
#pragma once

namespace music {

// Synthesizes the carol loop into a looping WAVE image and starts playing
// it. Only a run that has music calls it.
void build_music();

// At shutdown: stops the sound, then frees its image. Nothing to do when no
// music was started.
void stop_music();

// While the display is off: stops the sound but keeps its image, so that
// the machine may sleep. Nothing to do when no music was started.
void pause_music();

// When the display is back on: plays the loop again from its start.
// Nothing to do when no music was started.
void restart_music();

}  // namespace music
