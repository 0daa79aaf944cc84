// The Linux program's stop requests: XScreenSaver ends a hack with SIGTERM,
// a terminal with SIGINT (Ctrl+C). The handlers only note the request and
// wake the frame loop's wait through a pipe, which is all a signal handler
// may safely do; the loop then shuts down as it does for Escape.
#pragma once

namespace host {

// Makes the wake-up pipe and installs the SIGTERM and SIGINT handlers.
// Returns the pipe's read end, for the frame loop's poll(), or -1 when no
// pipe could be had (the handlers are installed either way; the loop then
// still sees the request within one frame).
int install_stop_signals();

// True once SIGTERM or SIGINT has arrived since install_stop_signals.
bool stop_requested();

// Restores the default handlers and closes the pipe.
void remove_stop_signals();

}  // namespace host
