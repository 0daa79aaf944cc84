// The saver run: window, context, scene start-up, then the frame loop or
// the capture. Win32 only.
#pragma once
#include <windows.h>

namespace host {

// Reads the run mode set by the entry. parent is the preview host window
// (else null); seconds and file are the capture request (0 and null
// outside capture mode). Returns the exit code: 1 when the window, pixel
// format or context cannot be had, or a capture could not be written;
// otherwise 0.
int saver_run(HWND parent, float seconds, const char* file);

}  // namespace host
