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

// A drawable's turn: its own pacing and when it may draw next.
struct DrawableTurn {
    SwapPacing pacing;
    int64_t next_due;  // clock from which it may draw again
};

// The frame loop's state. Owned here: reset by begin_frame_loop, written by
// run_frame and by the host's event handling (run_input,
// run_display_state, run_output_changed, run_output_removed), read by the
// loop.
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
    OutputTable outputs;
    DrawableTurn turns[max_outputs];  // by drawable
    int64_t next_frame;               // while the display is off: when to look again
    FrameRate frame_rate;             // what the corner shows when the run shows its frame rate
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

bool drawable_ready(int32_t drawable) { return !loop.host->drawable_ready || loop.host->drawable_ready(drawable); }

// Whether drawable shows an output, can take a frame and is due at now.
bool drawable_due(int32_t drawable, int64_t now) {
    return drawable_in_use(loop.outputs, drawable) && now >= loop.turns[drawable].next_due && drawable_ready(drawable);
}

// When the next frame is due: the earliest a ready drawable may draw; with
// none ready, a look at the events a quarter of a second on (a drawable's
// readiness comes as an event and ends the wait sooner).
int64_t next_frame_time(int64_t now) {
    int64_t next = now + counts_of(display_off_wait);
    for (int32_t d = 0; d < max_outputs; ++d) {
        if (drawable_in_use(loop.outputs, d) && loop.turns[d].next_due < next && drawable_ready(d))
            next = loop.turns[d].next_due;
    }
    return next;
}

// Draws the views of drawable's outputs at the scene's present state (the
// frame rate in the first output's corner) and presents it. Returns
// whether the corner was drawn.
bool present_views(int32_t drawable) {
    const HostPrimitives& host = *loop.host;
    DrawableArea area = {};
    host.begin_drawable(drawable, &area);
    ViewRect views[max_outputs];
    int32_t which[max_outputs];
    const int32_t count = drawable_views(loop.outputs, drawable, area, views, which);
    const int32_t first = first_output(loop.outputs);
    bool shows_rate = false;
    for (int32_t i = 0; i < count; ++i) {
        const ViewRect& v = views[i];
        render::render_view(v.x, v.y, v.width, v.height, v.camera_phase);
        if (loop.config.show_fps && which[i] == first) {
            draw_frame_rate(loop.frame_rate.text, v.x, v.y, v.width, v.height);
            shows_rate = true;
        }
    }
    host.present_drawable(drawable);
    return shows_rate;
}

// Draws and presents drawable, then sets when it may draw next: the
// preview's fixed wait, else the pacing where presents do not wait, and
// the chosen delay from the frame's start at frame_start.
void draw_drawable(int32_t drawable, int64_t frame_start) {
    const HostPrimitives& host = *loop.host;
    const bool shows_rate = present_views(drawable);
    const int64_t after = host.clock();
    DrawableTurn& turn = loop.turns[drawable];
    double wait = 0.0;
    if (loop.config.mode == shared::mode_preview) {
        wait = preview_frame_wait;
    } else if (!host.ready_paces_frames) {
        wait = pace_after_swap(&turn.pacing, seconds_of(after));
    }
    turn.next_due = after + counts_of(wait);
    // a chosen delay holds the frames at least that far apart, start to start
    const int64_t delayed = frame_start + loop.config.frame_delay_us * host.clock_frequency / 1000000;
    if (turn.next_due < delayed) turn.next_due = delayed;
    if (shows_rate) count_frame(&loop.frame_rate, seconds_of(after), cpu_seconds());
}

// Handles events until a drawable is due, the run ends or the display
// goes off or comes back on.
void wait_for_next_frame() {
    const bool drawing = loop.drawing;
    for (;;) {
        loop.host->handle_events();
        if (loop.quit || loop.drawing != drawing) return;
        const int64_t now = loop.host->clock();
        const int64_t next = drawing ? next_frame_time(now) : loop.next_frame;
        if (now >= next) return;
        loop.host->wait_for_events(next);
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

void run_output_changed(const Output& output) {
    if (!loop.host || output.drawable < 0 || output.drawable >= max_outputs) return;
    const int32_t d = output.drawable;
    const bool fresh = !drawable_in_use(loop.outputs, d);
    if (change_output(&loop.outputs, output) < 0) return;
    const int32_t hz = drawable_refresh_hz(loop.outputs, d);
    if (fresh) {
        // a drawable that shows its first output starts its own pacing
        const int64_t now = loop.host->clock();
        loop.turns[d].pacing = start_swap_pacing(hz, seconds_of(now));
        loop.turns[d].next_due = now;
    } else {
        loop.turns[d].pacing.refresh_period = start_swap_pacing(hz, 0.0).refresh_period;
    }
}

void run_output_removed(uint32_t id) { remove_output(&loop.outputs, id); }

void begin_frame_loop(const RunConfig& config, const HostPrimitives& host) {
    const bool quit = loop.quit;  // a stop asked for during start-up still counts
    loop = {};
    loop.config = config;
    loop.host = &host;
    loop.quit = quit;
    loop.started = true;
    loop.start = loop.last = loop.next_frame = host.clock();
    loop.drawing = true;
    if (config.show_fps)
        start_frame_rate(&loop.frame_rate, seconds_of(loop.start), host.cpu_seconds != nullptr, cpu_seconds());
    if (host.report_outputs) host.report_outputs();
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
    bool due[max_outputs];
    bool any_due = false;
    for (int32_t d = 0; d < max_outputs; ++d) {
        due[d] = drawable_due(d, now);
        any_due = any_due || due[d];
    }
    // the scene steps once per frame that draws, however many drawables draw
    if (!any_due) return true;
    scene::step_live_scene(frame_time_step(now - loop.last, host.clock_frequency));
    loop.last = now;
    for (int32_t d = 0; d < max_outputs; ++d) {
        if (due[d]) draw_drawable(d, now);
    }
    return true;
}

void run_redraw() {
    for (int32_t d = 0; d < max_outputs; ++d) {
        if (drawable_in_use(loop.outputs, d)) present_views(d);
    }
}

void run_resume() { loop.last = loop.host->clock(); }

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
    if (host.report_outputs) host.report_outputs();
    // a wait with no deadline: an hour at a time, woken by any event
    const int64_t hour = counts_of(3600.0);
    for (;;) {
        host.handle_events();
        if (loop.quit) break;
        for (int32_t d = 0; d < max_outputs; ++d) {
            if (!drawable_in_use(loop.outputs, d) || !drawable_ready(d)) continue;
            DrawableArea area = {};
            host.begin_drawable(d, &area);
            ViewRect views[max_outputs];
            const int32_t count = drawable_views(loop.outputs, d, area, views);
            // every view the capture's own, at its size
            for (int32_t i = 0; i < count; ++i)
                render::render_view(views[i].x, views[i].y, views[i].width, views[i].height, 0.0f);
            host.present_drawable(d);
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
        DrawableArea area = {};
        host.begin_drawable(0, &area);
        const CaptureError error = capture_frame(capture_seconds, area.width, area.height, capture_file);
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
