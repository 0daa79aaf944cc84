// The Linux program's command line, in XScreenSaver's conventions: which
// display and window to draw into, the two choices, the stock hacks'
// frame-rate options, and the capture request.
// Pure: it looks at the argument vector only; the X11 host reads the
// environment and opens the windows.
#pragma once
#include <cstdint>

#include "host/run/run.h"
#include "host/video/video.h"

namespace host {

enum class HackAction {
    run,      // draw into the target window until stopped
    capture,  // --capture SECONDS FILE.bmp
    video,    // --video FROM SECONDS FILE
    help,     // --help: the usage on standard output, exit code 0
    version,  // --version: the version on standard output, exit code 0
    refuse,   // a usage error: one line on standard error, exit code 2
};

enum class HackTarget {
    own_window,  // a 1280 x 720 window of its own
    root,        // --root: XSCREENSAVER_WINDOW, else the root window
    window_id,   // --window-id ID
};

struct HackOptions {
    HackAction action;
    HackTarget target;
    uint64_t window_id;   // --window-id's value
    int32_t snow;         // 0 or 1; default 1
    int32_t music;        // 0 or 1; default 0: chosen, whether or not the run plays it
    int seconds_arg;      // --capture: index of SECONDS in argv, else -1
    int file_arg;         // --capture: index of FILE.bmp in argv, else -1
    int bad_arg;          // refuse: index of the argument at fault
    const char* problem;  // refuse: what is wrong with it, for the message
    int32_t fps;          // --fps: 1 shows the frame rate; default 0
    int32_t delay_us;     // --delay: at least this long between frames; default 0
    const char* display;  // --display NAME, else null (DISPLAY)
    float seconds;        // --capture: SECONDS, usable or beyond reach
    bool seconds_unreachable;  // --capture: SECONDS lies beyond 1048576 s
    VideoRequest video;        // --video and its options (--snow, --music too)
};

// Reads argv[1..argc-1]. Every option may start with one dash or two
// (-root, --root). Later options override earlier ones. The stock hacks'
// options that mean nothing here (--install, --noinstall, --visual V,
// --mono, --pair, --wireframe, --geometry G) are taken and ignored. The
// scan stops at --help or --version, or at the first argument it refuses:
// an unknown option, an argument that is no option, an option lacking
// operands, a --delay that is no whole number of microseconds, a capture
// time that is no number or negative (one beyond reach is the run's to
// refuse, with exit code 1), a video request that cannot be made. --fps
// followed by a number is the video's rate, otherwise the corner's switch.
HackOptions parse_hack_options(int argc, const char* const* argv);

// The configuration of a Linux run drawing into a width x height window:
// the mode is capture for a capture; the preview in a window smaller than
// 400 x 300 (XScreenSaver's settings preview on a small screen); otherwise
// full screen, whether it draws into XScreenSaver's window or a window of
// its own. Music as chosen, where the run plays it (never inside a window
// named by number); only Escape and closing end it (XScreenSaver watches
// the input itself). clock_ticks: milliseconds, for the seed.
RunConfig hack_run_config(const HackOptions& options, int32_t width, int32_t height, uint32_t clock_ticks);

// A window number as XScreenSaver writes it: decimal, or hexadecimal after
// 0x or 0X, the whole text, not 0, at most 32 bits (X resource ids are
// 29 bits). False for anything else.
bool parse_window_id(const char* text, uint64_t* id);

}  // namespace host
