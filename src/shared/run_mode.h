// The run mode of this process.
#pragma once
#include <cstdint>

namespace shared {

enum : int32_t {
    mode_full_screen = 0,
    mode_preview = 1,
    mode_windowed = 2,
    mode_capture = 3,
};

// Owned by run_mode.cpp. Written once: on Windows by the entry, just before
// the saver run starts (never in the configure, password or refusal
// paths); on Linux by the saver run once it knows its window's size (every
// run in a window of 400 x 300 or more is a full-screen run there, the one
// that plays music). Read by the saver run, the frame loop, the capture,
// the scene layout and the music start. The inspection tool sets it to
// stand in for a mode.
extern int32_t run_mode;

}  // namespace shared
