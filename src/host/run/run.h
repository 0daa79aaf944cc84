// The saver run that every host shares: the run's configuration, the
// start-up order, the frame loop with its exit rules, the capture and the
// shutdown order. A platform host opens its window and context, supplies
// the primitives below, calls run_saver, then lets go of its window.
#pragma once
#include <cstdint>

#include "host/run/capture_file.h"
#include "host/run/saver_rules.h"

namespace host {

// What a run does, decided once by its entry from the command line and the
// settings, then handed down.
struct RunConfig {
    int32_t mode;                // shared::mode_full_screen, _preview, _windowed, _capture
    bool snow;                   // falling snow
    bool music;                  // synthesize and play the carol loop (run_plays_music)
    bool input_ends_run;         // the saver owns the screen: any key, button, leaving
                                 // the application or travel of the mouse ends the run
    uint32_t seed;               // the random source's one seeding (run_seed)
    bool show_fps = false;       // the frame rate in a corner of the frames (never a capture)
    int32_t frame_delay_us = 0;  // at least this long from one frame's start to the next
};

// What the host draws into, as it stands this frame.
struct Drawable {
    int32_t width, height;                 // the client area, pixels
    int32_t virtual_left, virtual_bottom;  // where the client area lies on the virtual screen
    int32_t monitor_count;                 // 0 where monitors are not told apart
    MonitorRect monitors[max_monitors];
};

// The primitives a platform host supplies to the run. Times are counts of
// the host's monotonic clock, clock_frequency counts a second.
struct HostPrimitives {
    int64_t (*clock)();
    int64_t clock_frequency;
    // Handles the pending events without waiting, reporting each one that
    // matters through run_input or run_display_state.
    void (*handle_events)();
    // Sleeps until an event, a signal or a change of the window may be
    // pending, or until the deadline, whichever comes first.
    void (*wait_for_events)(int64_t deadline);
    void (*get_drawable)(Drawable* drawable);
    void (*swap_buffers)();
    // The display's refresh rate in Hz; 0 where it reports none.
    int32_t (*refresh_rate)();
    // The processor time the whole process has used, in seconds (every
    // thread's, the music's too); null where the platform reports none.
    double (*cpu_seconds)();
};

// With the host's window and context current: the start-up (seed, then the
// scene's builders in their fixed order, each continuing the one random
// sequence: textures, display lists, layout, music), then, when
// capture_file is given, the capture of capture_seconds and otherwise the
// frame loop until the run ends; then the music stops. The host releases
// its context and window afterwards. Returns the exit code: 1 when the
// capture could not be written (why, in *capture_error where given), else 0.
int run_saver(const RunConfig& config, const HostPrimitives& host, float capture_seconds, const char* capture_file,
              CaptureError* capture_error = nullptr);

// A still (--still): the start-up with config (a capture's: seed 8230),
// the scene advanced by capture steps to seconds as a capture does, then
// until the run ends: the host's events, and one view at phase 0 drawn and
// swapped whenever get_drawable gives a drawable of some size, which the
// host gives only where the picture must be drawn again (a new drawable, a
// new size or scale), else 0 x 0; between them the host's wait with no
// deadline, so a still costs no processor time. Returns 0.
int run_still(const RunConfig& config, const HostPrimitives& host, float seconds);

// The start-up alone, for the image tests and the inspection tool.
void start_run(const RunConfig& config);

// An event the host saw, for the exit rules. x and y: the cursor's screen
// position for mouse_moved.
enum class RunInput {
    close,        // the window is closed or gone, or a stop signal came
    escape_key,   // Escape pressed
    other_key,    // any other key, also with Alt
    button,       // a mouse button or the wheel
    deactivated,  // another application became active
    mouse_moved,
};
void run_input(RunInput input, int32_t x = 0, int32_t y = 0);

// The display's state (display_off, display_on, display_dimmed) as the
// host reports it: off stops drawing and the music until it is back.
void run_display_state(uint32_t state);

// The frame loop in parts, for a host that is handed one frame at a time
// (a browser's animation frames): start_live_run once (the start-up, then
// begin_frame_loop), then one run_frame per frame while it returns true.
// run_saver runs them with the host's waits between.
void start_live_run(const RunConfig& config, const HostPrimitives& host);
void begin_frame_loop(const RunConfig& config, const HostPrimitives& host);
bool run_frame();

// Snow on or off while a run goes on (the page's toggle): while it is off
// the flakes stop where they are and are not drawn.
void run_set_snow(bool on);

// The scene's time in seconds (the page's link to the moment on show).
float run_scene_time();

// Takes the scene steps more capture steps, for a host that advances a
// capture in slices to stay responsive (the page): slices of the same
// steps make the same scene as one advance.
void run_advance_capture(int32_t steps);

}  // namespace host
