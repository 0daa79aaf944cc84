// The saver run that every host shares: the run's configuration, the
// start-up order, the frame loop with its exit rules, the capture and the
// shutdown order. A platform host opens its window and context, supplies
// the primitives below, calls run_saver, then lets go of its window.
#pragma once
#include <cstdint>

#include "host/run/output_file.h"
#include "host/run/outputs.h"
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

// Outputs and drawables. An output is a monitor the run draws a view on;
// a drawable is what the host presents (a window with its context's
// buffers, a surface): one per output (a compositor's surface per output,
// each with its own frame callbacks), or one for several outputs (a window
// over the whole virtual screen, the root window), each output's view a
// viewport in it and one swap for all. The host numbers its drawables 0 to
// max_outputs - 1 and says which one shows each output.
//
// Each frame of the run steps the scene once, then draws every drawable
// that is ready and due (its own pacing, the chosen delay) with the views
// of its outputs, and presents it; a drawable that is not ready (no frame
// callback yet, hidden, off) draws nothing and holds no other back. The
// run waits for the earliest drawable due, or for events. The first output
// (the lowest phase slot, first_output) shows the frame rate; the music
// and the exit rules belong to the run, not to an output.

// The primitives a platform host supplies to the run. Times are counts of
// the host's monotonic clock, clock_frequency counts a second.
struct HostPrimitives {
    int64_t (*clock)();
    int64_t clock_frequency;
    // Handles the pending events without waiting, reporting each one that
    // matters through run_input, run_display_state, run_output_changed and
    // run_output_removed.
    void (*handle_events)();
    // Sleeps until an event, a signal, a change of the window or of the
    // outputs, or a drawable's readiness may be pending, or until the
    // deadline, whichever comes first.
    void (*wait_for_events)(int64_t deadline);
    // Reports every output live now through run_output_changed: called once
    // as the frame loop begins; later changes come with handle_events.
    void (*report_outputs)();
    // Whether drawable can take a frame now (a frame callback came since
    // its last present; it is not hidden). Null: every drawable always can
    // (a platform with one swap that waits at most a retrace).
    bool (*drawable_ready)(int32_t drawable);
    // Makes drawable current for drawing and tells its size and, where it
    // spans the virtual screen, its place there. Drawable 0 is also the
    // capture's.
    void (*begin_drawable)(int32_t drawable, DrawableArea* area);
    // Presents what was drawn on drawable (a buffer swap). Returns within a
    // frame period whatever the display does: a host whose swaps could wait
    // on a hidden output swaps without waiting and reports readiness.
    void (*present_drawable)(int32_t drawable);
    // True where drawable_ready follows the display's own pace (frame
    // callbacks, a browser's animation frames): the run then adds no pacing
    // of its own (only --delay). False where presents wait for the retrace
    // or return at once: the run paces a drawable whose presents are seen
    // not to wait, at the fastest refresh rate of its outputs.
    bool ready_paces_frames;
    // The processor time the whole process has used, in seconds (every
    // thread's, the music's too); null where the platform reports none.
    double (*cpu_seconds)();
};

// An output came, or changed (place, size, scale, rate, drawable): the run
// keeps one view per live output, re-laid from the next frame. A new
// output's camera phase is the lowest slot's that no live output holds
// (slot k: k x 0.9 rad), kept for its life, so a fixed desk reported in
// order gets 0, 0.9, 1.8 ... and no output's coming or going turns
// another's camera. Past max_outputs live outputs, reports are left out.
// Called by the host from report_outputs and handle_events.
void run_output_changed(const Output& output);

// The output of that id is gone (unknown ids are ignored). The run goes on,
// its music too, also with no output left: it then draws nothing until one
// comes.
void run_output_removed(uint32_t id);

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
// the scene advanced by capture steps to seconds as a capture does, the
// outputs reported; then until the run ends: the host's events, and every
// drawable in use that drawable_ready says must show the picture again (a
// new drawable, a new size or scale; null: every one, every turn) drawn
// with the views of its outputs, each at phase 0, and presented; between
// turns the host's wait with no deadline, so a still costs no processor
// time. Returns 0.
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

// A run that stands still (a paused page): run_redraw draws the scene as
// it stands, without a step, so a redraw after a resize or a restored
// context shows the same moment; run_resume starts the next step's count
// from now, so the scene goes on from where it stood, not by the pause.
void run_redraw();
void run_resume();

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
