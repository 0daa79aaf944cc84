// The saver run: start-up, the frame loop and its exit rules, the capture's
// turn and shutdown, over the primitives of whichever host runs it.
#include "host/run/run.h"

#include "assets/assets.h"
#include "host/run/capture.h"
#include "host/run/frame_rate.h"
#include "music/music.h"
#include "render/render.h"
#include "scene/scene.h"
#include "scene/state.h"
#include "shared/random.h"
#include "shared/run_mode.h"

namespace host {

namespace {

// The frame loop's state. Owned here: reset by begin_frame_loop, written by
// run_frame and by the host's event handling (run_input,
// run_display_state), read by the loop.
struct FrameLoop {
    RunConfig config;
    const HostPrimitives* host;
    bool quit;      // only ever goes from false to true within a run
    bool started;   // the loop has begun: the grace period counts from start
    int64_t start;  // clock when the loop began
    int64_t last;   // clock at the previous frame's time step
    bool mouse_reference_set;
    int32_t mouse_x, mouse_y;  // the first cursor position seen
    bool drawing;              // false while the display is off
    SwapPacing pacing;
    int64_t next_frame;    // clock when the next frame is due
    FrameRate frame_rate;  // what the corner shows when the run shows its frame rate
};
FrameLoop loop = {};

double seconds_of(int64_t count) {
    return static_cast<double>(count) / static_cast<double>(loop.host->clock_frequency);
}

int64_t counts_of(double seconds) {
    return static_cast<int64_t>(seconds * static_cast<double>(loop.host->clock_frequency));
}

// A message subject to the grace period ends the run only 601 ms or more
// after the frame loop began; before it begins, the period counts as over.
// The process's processor seconds, 0 where the host reports none.
double cpu_seconds() { return loop.host->cpu_seconds ? loop.host->cpu_seconds() : 0.0; }

bool grace_over() { return !loop.started || loop.host->clock() - loop.start >= counts_of(grace_period); }

void draw_views(const Drawable& d, bool full_screen) {
    ViewRect views[max_monitors];
    const int count = frame_views(full_screen, d.monitors, d.monitor_count, d.virtual_left, d.virtual_bottom, d.width,
                                  d.height, views);
    for (int i = 0; i < count; ++i)
        render::render_view(views[i].x, views[i].y, views[i].width, views[i].height, views[i].camera_phase);
}

// Handles events until the next frame is due, the run ends or the display
// comes back on.
void wait_for_next_frame() {
    const bool drawing = loop.drawing;
    for (;;) {
        loop.host->handle_events();
        if (loop.quit || loop.drawing != drawing) return;
        if (loop.host->clock() >= loop.next_frame) return;
        loop.host->wait_for_events(loop.next_frame);
    }
}

}  // namespace

void start_run(const RunConfig& config) {
    shared::seed_random(config.seed);
    assets::build_textures();
    assets::build_display_lists();
    scene::layout_scene(config.mode == shared::mode_preview, config.snow);
    if (config.music) music::build_music();
}

void run_input(RunInput input, int32_t x, int32_t y) {
    const bool saver = loop.config.input_ends_run;
    switch (input) {
        case RunInput::close:
        case RunInput::escape_key:
            loop.quit = true;
            break;
        case RunInput::other_key:
        case RunInput::button:
            if (saver) loop.quit = true;
            break;
        case RunInput::deactivated:
            if (saver && grace_over()) loop.quit = true;
            break;
        case RunInput::mouse_moved:
            if (!saver) break;
            if (!loop.mouse_reference_set) {
                loop.mouse_reference_set = true;
                loop.mouse_x = x;
                loop.mouse_y = y;
            } else if (mouse_travelled(loop.mouse_x, loop.mouse_y, x, y) && grace_over()) {
                loop.quit = true;
            }
            break;
    }
}

void run_display_state(uint32_t state) {
    // on, dimmed or anything else draws; only a change asks for anything
    const bool draw = state != display_off;
    if (draw == loop.drawing) return;
    loop.drawing = draw;
    if (draw) {
        music::restart_music();  // from the loop's start
    } else {
        music::pause_music();  // so that the machine may sleep
    }
}

void begin_frame_loop(const RunConfig& config, const HostPrimitives& host) {
    const bool quit = loop.quit;  // a stop asked for during start-up still counts
    loop = {};
    loop.config = config;
    loop.host = &host;
    loop.quit = quit;
    loop.started = true;
    loop.start = loop.last = loop.next_frame = host.clock();
    loop.drawing = true;
    loop.pacing = start_swap_pacing(host.refresh_rate(), seconds_of(loop.start));
    if (config.show_fps)
        start_frame_rate(&loop.frame_rate, seconds_of(loop.start), host.cpu_seconds != nullptr, cpu_seconds());
}

bool run_frame() {
    const HostPrimitives& host = *loop.host;
    host.handle_events();
    if (loop.quit) return false;
    if (!loop.drawing) {
        // the display is off: no frames, events only (a preview still
        // checks its host four times a second)
        loop.next_frame = host.clock() + counts_of(display_off_wait);
        return true;
    }
    const int64_t now = host.clock();
    scene::step_live_scene(frame_time_step(now - loop.last, host.clock_frequency));
    loop.last = now;
    Drawable drawable = {};
    host.get_drawable(&drawable);
    draw_views(drawable, loop.config.mode == shared::mode_full_screen);
    if (loop.config.show_fps) draw_frame_rate(loop.frame_rate.text, drawable.width, drawable.height);
    host.swap_buffers();
    // the preview waits a fixed time; elsewhere the swap waits, or the pacing does
    const int64_t after_swap = host.clock();
    const double wait = loop.config.mode == shared::mode_preview
                            ? preview_frame_wait
                            : pace_after_swap(&loop.pacing, seconds_of(after_swap));
    loop.next_frame = after_swap + counts_of(wait);
    // a chosen delay holds the frames at least that far apart, start to start
    const int64_t delayed = now + loop.config.frame_delay_us * host.clock_frequency / 1000000;
    if (loop.next_frame < delayed) loop.next_frame = delayed;
    if (loop.config.show_fps) count_frame(&loop.frame_rate, seconds_of(after_swap), cpu_seconds());
    return true;
}

void start_live_run(const RunConfig& config, const HostPrimitives& host) {
    start_run(config);
    begin_frame_loop(config, host);
}

void run_set_snow(bool on) { scene::snowing = on; }

float run_scene_time() { return scene::scene_time; }

void run_advance_capture(int32_t steps) { scene::advance_scene(capture_step, steps); }

int run_still(const RunConfig& config, const HostPrimitives& host, float seconds) {
    loop = {};
    loop.config = config;
    loop.host = &host;
    loop.drawing = true;
    start_run(config);
    advance_capture(seconds);
    loop.started = true;
    loop.start = host.clock();
    // a wait with no deadline: an hour at a time, woken by any event
    const int64_t hour = counts_of(3600.0);
    for (;;) {
        host.handle_events();
        if (loop.quit) break;
        Drawable drawable = {};
        host.get_drawable(&drawable);
        if (drawable.width > 0 && drawable.height > 0) {
            render::render_view(0, 0, drawable.width, drawable.height, 0.0f);
            host.swap_buffers();
            continue;  // another drawable may wait for its picture
        }
        host.wait_for_events(host.clock() + hour);
    }
    loop.started = false;
    return 0;
}

int run_saver(const RunConfig& config, const HostPrimitives& host, float capture_seconds, const char* capture_file,
              CaptureError* capture_error) {
    loop = {};
    loop.config = config;
    loop.host = &host;
    loop.drawing = true;
    if (capture_file) {
        start_run(config);
        Drawable drawable = {};
        host.get_drawable(&drawable);
        const CaptureError error = capture_frame(capture_seconds, drawable.width, drawable.height, capture_file);
        if (capture_error) *capture_error = error;
        return error.fault == CaptureFault::none ? 0 : 1;
    }
    start_live_run(config, host);
    while (run_frame()) wait_for_next_frame();
    // events of the window's own end come after the loop: they end nothing
    loop.started = false;
    // the sound stops before its image goes, and before the host lets go of the context
    music::stop_music();
    return 0;
}

}  // namespace host
