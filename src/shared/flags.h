// The user's two choices, fixed for the length of a saver run.
#pragma once
#include <cstdint>

namespace shared {

// Owned by flags.cpp. Always 0 or 1. Written before the saver run starts
// (the Windows settings store and settings window, the Linux options);
// read by the music start (music), the snow step (scene) and the glow pass
// (render).
extern int32_t music_flag;  // default 0: music off
extern int32_t snow_flag;   // default 1: snow on

}  // namespace shared
