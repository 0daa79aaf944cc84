// The Linux host: the target window and its GLX context, the primitives
// the saver run needs, and the events it reports to it. X11 and GLX.
#pragma once

#include "host/linux/hack_options.h"

namespace host {

// Opens the target (options.target, options.window_id; for a capture, when
// file is given, a window of its own), runs the saver (run_saver: the
// capture of seconds to file, else the frame loop until Escape, the close
// button, a stop signal or the window's end) with the configuration
// hack_run_config gives for the window, then lets go of the window.
// Returns the exit code: 1 when the display, the window, a GL
// configuration or the context cannot be had, or a capture could not be
// written; otherwise 0.
int saver_run(const HackOptions& options, float seconds, const char* file);

}  // namespace host
