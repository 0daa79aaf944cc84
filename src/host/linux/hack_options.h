// The Linux program's command line, in XScreenSaver's conventions: which
// display and window (X11) or which surfaces (Wayland) to draw into, the two choices, the stock hacks'
// frame-rate options, and the capture request, all in one table that the
// parser walks and --help is made from (a test holds the manual page and
// frostvale.xml to it). Pure: it looks at the argument vector only; the X11
// and Wayland hosts read the environment and open the windows.
#pragma once
#include <cstdint>
#include <string>

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
    background,  // --background: Wayland, the wallpaper of every output
    overlay,     // --overlay: Wayland, the screensaver over every output
};

struct HackOptions {
    HackAction action;
    HackTarget target;
    uint64_t window_id;        // --window-id's value
    int32_t snow;              // 0 or 1; default 1
    int32_t music;             // 0 or 1; default 0: chosen, whether or not the run plays it
    int seconds_arg;           // --capture: index of SECONDS in argv, else -1
    int file_arg;              // --capture: index of FILE.bmp in argv, else -1
    int bad_arg;               // refuse: index of the argument at fault
    char problem[128];         // refuse: what is wrong with it, for the message; else empty
    int32_t fps;               // --fps: 1 shows the frame rate; default 0
    int32_t delay_us;          // --delay: at least this long between frames; default 0
    const char* display;       // --display NAME, else null (DISPLAY)
    float seconds;             // --capture: SECONDS, usable or beyond reach
    bool seconds_unreachable;  // --capture: SECONDS lies beyond 1048576 s
    VideoRequest video;        // --video and its options (--snow, --music too)
    bool still = false;        // --still: one picture, drawn again only on a new size
    float still_seconds = 0;   // --still: the capture time it shows
};

// One row of the options table: everything the parser, --help and the
// checks of the manual page and frostvale.xml know about an option.
struct HackOption {
    const char* name;           // spelled after one dash or two
    const char* other_name;     // a second spelling (the "no-" form, a short one), else null
    int operands;               // how many arguments follow it
    const char* operand_names;  // as --help and the refusals name them ("SECONDS FILE.bmp"), else null
    int64_t low, high;          // the range a numeric operand must lie in; low == high: none
    // Takes the option at argv[at], its operands after it (they are there);
    // other: it was spelled as other_name. Returns null, or what is wrong
    // (the parser adds the range); may point bad_arg at an operand.
    const char* (*set)(HackOptions* options, const HackOption& row, bool other, const char* const* argv, int at);
    const char* parent;  // a sub-option: the option it belongs to, which must be given too; else null
    const char* help;    // --help's text, lines split by '\n'; null: a stock hack's option, ignored
    const char* xml;     // the attribute frostvale.xml passes it by, else null
};

// The table, in --help's order; a sub-option follows the option it belongs to.
extern const HackOption hack_option_table[];
extern const int hack_option_count;

// Reads argv[1..argc-1] by the table. Every option may start with one dash
// or two (-root, --root). Later options override earlier ones. The scan
// stops at --help or --version, or at the first argument it refuses: an
// unknown option, an argument that is no option, an option lacking
// operands or refused by its setter (a --delay that is no whole number of
// microseconds in range, a capture time that is no number or negative: one
// beyond reach is the run's to refuse, with exit code 1), a sub-option
// without its option.
HackOptions parse_hack_options(int argc, const char* const* argv);

// --help's text, made from the table.
std::string hack_usage();

// The run's configuration for a width x height drawable: the capture for
// --capture; else full screen, or the small preview below 400 x 300; the
// music only where the scene is the screensaver or in its own window, and
// never behind the desktop (--background) or in a still; input ends the run
// only over the desktop (--overlay); a still starts as a capture does.
RunConfig hack_run_config(const HackOptions& options, int32_t width, int32_t height, uint32_t clock_ticks);

// A window number as XScreenSaver writes it: decimal, or hexadecimal after
// 0x or 0X, the whole text, not 0, at most 32 bits (X resource ids are
// 29 bits). False for anything else.
bool parse_window_id(const char* text, uint64_t* id);

// Whether the run goes to the Wayland host: asked for (--background,
// --overlay), or the program runs under Wayland (wayland_session: the
// environment names a compositor) and asks for no X11 target (--root,
// --window-id, --display) and no capture.
bool runs_on_wayland(const HackOptions& options, bool wayland_session);

}  // namespace host
