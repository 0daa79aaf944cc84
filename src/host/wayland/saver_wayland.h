// The Wayland host: the scene as the wallpaper of every output
// (--background), as the screensaver over every output (--overlay), or in
// a window of its own; each output drawn at its own pixels through EGL
// (desktop OpenGL) on a wl_egl_window, paced by the compositor's frame
// callbacks. wayland-client and EGL.
#pragma once

#include "host/linux/hack_options.h"

namespace host {

// Connects to the compositor (WAYLAND_SOCKET when given, else
// WAYLAND_DISPLAY), makes the surfaces options.target asks for, runs the
// saver (run_saver, or run_still for --still) until a stop signal, the
// input that ends the mode, the window's close, or the compositor's end,
// then lets go of everything. Returns the exit code: 0 for an ordinary
// end; 1 when the compositor cannot be reached or lacks what the mode
// needs, EGL gives no context, or the compositor goes away during the run.
// Each fault is said in one line on standard error.
int wayland_run(const HackOptions& options);

}  // namespace host
