// The Windows host: the saver window and its WGL context, the primitives
// the saver run needs, and the window procedure that reports input to it.
#pragma once
#include <windows.h>

#include "host/run/run.h"

namespace host {

// Opens the window the run's mode asks for (parent is the preview's host
// window, else null), runs the saver (run_saver: the capture of seconds to
// file when file is given, else the frame loop), then lets go of the
// context and window. Returns the exit code: 1 when the window, pixel
// format or context cannot be had, or a capture could not be written;
// otherwise 0. file is UTF-8, written by the capture file's rules.
int saver_run(const RunConfig& config, HWND parent, float seconds, const char* file);

}  // namespace host
