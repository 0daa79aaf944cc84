// The Linux saver run: the target window and its GLX context, the scene's
// start-up, then the frame loop or the capture. X11 and GLX.
#pragma once
#include <cstdint>

#include "host/x11/hack_options.h"

namespace host {

// Draws into the target (own_window, root or window_id with window_id)
// until Escape, the close button, a stop signal or the window's end, or,
// when file is given, writes the capture of seconds there from a window of
// its own. Sets the run mode: capture; preview for a window smaller than
// 400 x 300; otherwise full screen. Returns the exit code: 1 when the
// display, the window, a GL configuration or the context cannot be had, or
// a capture could not be written; otherwise 0.
int saver_run(HackTarget target, uint64_t window_id, float seconds, const char* file);

}  // namespace host
