// The browser host: the one saver run on the page's WebGL2 canvas, drawn
// through the project's OpenGL 1.1 layer. index.html calls frostvale_start
// once the module is ready, on the page's thread or, where the browser
// draws WebGL2 in a worker, in frostvale-worker.js on the canvas handed
// over to it (Module.canvas there). The same code runs in both places: what
// only the page can read (the canvas's size on the page) comes through
// Module.canvasCssSize, which each side defines. Live, the run's frame function runs once per
// requestAnimationFrame: the browser paces the frames, presents them and
// hands input to the page's own controls. With ?t=SECONDS the run makes
// the capture of that time instead, advanced in slices the page asks for
// between its animation frames, and nothing more is drawn.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "host/run/capture.h"
#include "host/run/run.h"
#include "shared/run_mode.h"
#include "webgl/layer.h"

namespace {

constexpr const char* canvas = "#scene";
// where the capture's bitmap is written, in the module's own file system
constexpr const char* capture_path = "/frostvale.bmp";

extern "C" {
// canvas_web.js: the canvas that Module.canvas holds (a worker's
// OffscreenCanvas) found by the selector "#scene"; nothing on the page.
void frostvale_find_canvas();
}

// The canvas's size on the page in CSS pixels and the device pixel ratio,
// as the page's Module.canvasCssSize gives them (in a worker, as the page
// last told it).
EM_JS(void, canvas_css_size, (double* width, double* height, double* ratio), {
    const size = Module.canvasCssSize();
    HEAPF64[width >> 3] = size[0];
    HEAPF64[height >> 3] = size[1];
    HEAPF64[ratio >> 3] = size[2];
});

// Tells the side that runs the module that a frame or a redraw was drawn
// (a worker passes its counters and moment on to the page).
EM_JS(void, tell_drawn, (), {
    if (Module.drawn) Module.drawn();
});

// The page's run. Owned here: written by frostvale_start, the page's calls
// below and the context's lost and restored events, read by the animation
// frames.
struct PageRun {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context;
    host::RunConfig config;
    int32_t fitted_width, fitted_height;  // the page size the canvas was last fitted to, device pixels
    bool context_lost;                    // nothing is drawn until the context is back
    bool paused;                          // the live scene stands still (Play, a host's pause, hidden)
    bool looping;                         // the frame loop's animation frame or the cap's timer is pending
    bool redraw_asked;                    // an animation frame is asked for by a redraw
    bool redraw_wanted;                   // a redraw asked for while the loop's last frame was due
    double frame_interval_ms;             // the frame-rate cap's interval; 0: every animation frame
    double next_frame_due_ms;             // the animation frame time from which the next frame is due
    uint32_t frames_drawn;                // live frames drawn since the start (each one a step)
    uint32_t redraws;                     // a standing scene drawn again (resized, context back)
    // a capture: its time, the steps to it and those still to take
    float capture_seconds;
    int32_t capture_steps, steps_left, slice_steps;
};
PageRun run = {};

// The page's clock, in microseconds.
int64_t page_clock() { return std::llround(emscripten_get_now() * 1000.0); }

// Events go to the page's own handlers; the browser waits between frames.
void no_events() {}
void no_wait(int64_t) {}
// The browser presents the canvas when the animation frame returns.
void no_swap(int32_t) {}

// The canvas's drawing buffer follows its size on the page times the
// device pixel ratio; where the browser gives a smaller drawing buffer
// than that (past about 8192 pixels a side), the canvas takes the largest
// size of the same aspect that the buffer holds whole, so what is read
// back is all picture. The page's style letterboxes it.
void fit_canvas(host::DrawableArea* area) {
    double css_width = 0.0, css_height = 0.0, ratio = 1.0;
    canvas_css_size(&css_width, &css_height, &ratio);
    const int32_t w = static_cast<int32_t>(std::lround(css_width * ratio));
    const int32_t h = static_cast<int32_t>(std::lround(css_height * ratio));
    if (w > 0 && h > 0 && (w != run.fitted_width || h != run.fitted_height)) {
        run.fitted_width = w;
        run.fitted_height = h;
        int width = w, height = h;
        for (int tries = 0; tries < 4; ++tries) {
            emscripten_set_canvas_element_size(canvas, width, height);
            int buffer_width = 0, buffer_height = 0;
            emscripten_webgl_get_drawing_buffer_size(run.context, &buffer_width, &buffer_height);
            if (buffer_width >= width && buffer_height >= height) break;
            const double scale =
                std::min(static_cast<double>(buffer_width) / width, static_cast<double>(buffer_height) / height);
            width = std::max(1, static_cast<int>(std::floor(width * scale)));
            height = std::max(1, static_cast<int>(std::floor(height * scale)));
        }
    }
    int width = 0, height = 0;
    emscripten_get_canvas_element_size(canvas, &width, &height);
    *area = host::DrawableArea{width, height, 0, height};
}

void fit_drawable(int32_t, host::DrawableArea* area) { fit_canvas(area); }

// The page is one output, the canvas, whatever its size: it fills its
// drawable.
void one_output() { host::run_output_changed(host::Output{1, 0, false, 0, 0, 0, 0, host::unit_scale, 0}); }

// Animation frames come at the display's rate: the run need not pace them.
const host::HostPrimitives page = {page_clock, 1000000,      no_events, no_wait, one_output,
                                   nullptr,    fit_drawable, no_swap,   true,    nullptr};

// A frame is due at the frame-rate cap's pace: the due times advance by
// the interval from the first frame, so no second holds more frames than
// the cap (a frame 1 ms early still counts, animation frames come with
// jitter); a run that fell behind counts again from now.
bool frame_due(double time_ms) {
    if (run.frame_interval_ms <= 0.0) return true;
    if (time_ms < run.next_frame_due_ms - 1.0) return false;
    const bool behind = time_ms - run.next_frame_due_ms > run.frame_interval_ms;
    run.next_frame_due_ms = (behind ? time_ms : run.next_frame_due_ms) + run.frame_interval_ms;
    return true;
}

EM_BOOL animation_frame(double time_ms, void*);
EM_BOOL context_lost(int, const void*, void*);

// The cap's timer: animation frames again from about a frame before
// the next frame is due.
void frame_loop_after_wait(void*) {
    if (run.paused || run.context_lost) {
        run.looping = false;
        return;
    }
    emscripten_request_animation_frame_loop(animation_frame, nullptr);
}

// The live frame loop: one step and one frame per due animation frame. It
// ends while the scene stands still or the context is lost, so that a
// paused page costs nothing; resume and the context's return start it
// again. Under a cap it sleeps on a timer between frames rather than
// waking at every animation frame.
EM_BOOL animation_frame(double time_ms, void*) {
    if (!run.context_lost && emscripten_is_webgl_context_lost(run.context)) context_lost(0, nullptr, nullptr);
    if (run.context_lost || run.paused) {
        // a run paused before its first frame shows its first moment
        if (!run.context_lost && (run.redraw_wanted || (run.frames_drawn == 0 && run.redraws == 0))) {
            host::run_redraw();
            ++run.redraws;
            tell_drawn();
        }
        run.redraw_wanted = false;
        run.looping = false;
        return EM_FALSE;
    }
    if (!frame_due(time_ms)) return EM_TRUE;
    if (!host::run_frame()) {
        run.looping = false;
        return EM_FALSE;
    }
    if (run.frames_drawn++ == 0) EM_ASM(performance.mark('frostvale-first-frame'));
    tell_drawn();
    // 17 ms: about an animation frame at 60 Hz, for a timer that comes late
    const double wait_ms = run.next_frame_due_ms - time_ms - 17.0;
    if (run.frame_interval_ms > 0.0 && wait_ms > 4.0) {
        emscripten_async_call(frame_loop_after_wait, nullptr, static_cast<int>(wait_ms));
        return EM_FALSE;
    }
    return EM_TRUE;
}

void start_frame_loop() {
    if (run.looping || run.paused || run.context_lost) return;
    run.looping = true;
    run.next_frame_due_ms = 0.0;
    emscripten_request_animation_frame_loop(animation_frame, nullptr);
}

// The standing scene drawn again as it stands, once, at the next animation
// frame: the same moment, never a step.
EM_BOOL redraw_frame(double, void*) {
    run.redraw_asked = false;
    if (run.context_lost || run.looping) return EM_FALSE;
    host::run_redraw();
    ++run.redraws;
    tell_drawn();
    return EM_FALSE;
}

void ask_redraw() {
    if (run.config.mode == shared::mode_capture) return;
    // the loop's frame, still asked for, makes it
    run.redraw_wanted = run.looping;
    if (run.redraw_asked || run.looping) return;
    run.redraw_asked = true;
    emscripten_request_animation_frame(redraw_frame, nullptr);
}

EM_BOOL context_restored(int, const void*, void*);

// Firefox tells a worker's canvas of no lost or restored context: the run
// looks at each frame whether it is lost, and while it is, every half
// second whether it is back.
void look_for_context(void*) {
    if (!run.context_lost) return;
    if (emscripten_is_webgl_context_lost(run.context)) {
        emscripten_async_call(look_for_context, nullptr, 500);
    } else {
        context_restored(0, nullptr, nullptr);
    }
}

// The context's objects are gone: nothing is drawn until it is back (the
// page says so meanwhile). Handling the event is what lets the browser
// restore the context.
EM_BOOL context_lost(int, const void*, void*) {
    if (run.context_lost) return EM_TRUE;
    run.context_lost = true;
    emscripten_async_call(look_for_context, nullptr, 500);
    EM_ASM(Module.graphicsReset(true));
    return EM_TRUE;
}

// A fresh context: the layer makes every WebGL object again from what it
// keeps (its state, lists and textures stay); the scene goes on at its time.
EM_BOOL context_restored(int, const void*, void*) {
    if (!run.context_lost) return EM_TRUE;
    // the canvas keeps its size through the loss (set again, a worker's
    // canvas in Chromium shows no more frames)
    host::DrawableArea drawable;
    fit_canvas(&drawable);
    if (!webgl::restore_layer()) return EM_TRUE;
    run.context_lost = false;
    EM_ASM(Module.graphicsReset(false));
    if (run.paused) {
        ask_redraw();
    } else {
        start_frame_loop();
    }
    return EM_TRUE;
}

bool start_context(bool keep_picture) {
    frostvale_find_canvas();
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    // the native pixel formats have no multisampling either
    attributes.antialias = EM_FALSE;
    // a capture stays readable after it has been shown
    attributes.preserveDrawingBuffer = keep_picture ? EM_TRUE : EM_FALSE;
    run.context = emscripten_webgl_create_context(canvas, &attributes);
    return run.context > 0 && emscripten_webgl_make_context_current(run.context) == EMSCRIPTEN_RESULT_SUCCESS;
}

// The shortest decimal text without an exponent that reads back as
// seconds (as a command line reads it); an exponent only for times under a
// trillionth of a second. Points into a buffer of its own.
const char* seconds_text(float seconds) {
    static char text[64];
    for (int decimals = 0; decimals <= 12; ++decimals) {
        std::snprintf(text, sizeof text, "%.*f", decimals, static_cast<double>(seconds));
        if (std::strtof(text, nullptr) == seconds) return text;
    }
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(seconds));
    return text;
}

}  // namespace

extern "C" {

// Starts the run. capture_time null: live, in a window of the page (the
// whole scene, no exit rules), snow as given, the frame rate in a corner
// when show_fps is non-zero; music waits for the page's button, since
// browsers let a page sound only after a click. Otherwise the capture of
// that time, read as a command line's (its seed and steps, snow on), is
// readied: frostvale_advance takes it there and draws it. Returns 0; 1
// when the browser gives no WebGL2 context or its WebGL2 cannot build the
// scene's shaders; 2 for a time that is not a number, 3 for a negative
// one, 4 for one the capture cannot reach.
EMSCRIPTEN_KEEPALIVE int frostvale_start(const char* capture_time, int snow, int show_fps) {
    const bool capture = capture_time != nullptr;
    if (capture) {
        switch (host::read_capture_time(capture_time, &run.capture_seconds)) {
            case host::CaptureTime::usable:
                break;
            case host::CaptureTime::not_a_number:
                return 2;
            case host::CaptureTime::negative:
                return 3;
            case host::CaptureTime::unreachable:
                return 4;
        }
    }
    if (!start_context(capture)) return 1;
    host::DrawableArea drawable;
    fit_canvas(&drawable);
    if (!webgl::start_layer(drawable.width, drawable.height)) return 1;
    const int32_t mode = capture ? shared::mode_capture : shared::mode_windowed;
    run.config = {mode, capture || snow != 0, false, false,
                  host::run_seed(mode, static_cast<uint32_t>(emscripten_get_now()))};
    run.config.show_fps = !capture && show_fps != 0;
    if (capture) {
        host::start_run(run.config);
        run.capture_steps = run.steps_left = host::capture_steps(run.capture_seconds);
        run.slice_steps = 4096;
        return 0;
    }
    emscripten_set_webglcontextlost_callback(canvas, nullptr, EM_FALSE, context_lost);
    emscripten_set_webglcontextrestored_callback(canvas, nullptr, EM_FALSE, context_restored);
    host::start_live_run(run.config, page);
    start_frame_loop();
    return 0;
}

// Takes the capture's scene about budget_ms further (slices of the same
// fixed steps make the same scene as one advance), so the page stays
// responsive between calls. Returns the percentage of steps taken while
// some are left; once there, draws the capture, writes it to
// /frostvale.bmp, leaves it on the canvas and returns 100, or -1 when it
// could not be kept.
EMSCRIPTEN_KEEPALIVE int frostvale_advance(double budget_ms) {
    if (run.steps_left > 0) {
        const int32_t slice = std::min(run.slice_steps, run.steps_left);
        const double begun = emscripten_get_now();
        host::run_advance_capture(slice);
        run.steps_left -= slice;
        // the next slice sized to the budget by this one's pace
        const double spent = std::max(emscripten_get_now() - begun, 1.0);
        run.slice_steps = static_cast<int32_t>(std::clamp(slice * budget_ms / spent, 1024.0, 4194304.0));
        if (run.steps_left > 0)
            return static_cast<int>(100.0 * (run.capture_steps - run.steps_left) / run.capture_steps);
    }
    host::DrawableArea drawable;
    fit_canvas(&drawable);
    // the scene stands at the capture's time: the capture of no further time
    const host::CaptureError error = host::capture_frame(0.0f, drawable.width, drawable.height, capture_path);
    return error.fault == host::CaptureFault::none ? 100 : -1;
}

// The moment on show as the shortest text of seconds that ?t= reads back
// to the same time: a capture's own time, or the live scene's time.
EMSCRIPTEN_KEEPALIVE const char* frostvale_moment() {
    return seconds_text(run.config.mode == shared::mode_capture ? run.capture_seconds : host::run_scene_time());
}

// The snow toggle: the flakes stop where they are while it is off (a
// standing scene is drawn again with or without them).
EMSCRIPTEN_KEEPALIVE void frostvale_set_snow(int on) {
    host::run_set_snow(on != 0);
    if (run.paused) ask_redraw();
}

// Play and pause: a paused scene stands still, its time too, and no frame
// is drawn; resumed, it goes on from the moment it stood at. Pausing a
// paused run or resuming a running one changes nothing.
EMSCRIPTEN_KEEPALIVE void frostvale_set_playing(int on) {
    const bool paused = on == 0;
    if (paused == run.paused || run.config.mode == shared::mode_capture) return;
    run.paused = paused;
    if (!paused) {
        host::run_resume();
        start_frame_loop();
    }
}

// A standing scene drawn again at the canvas's size (the page calls it on
// a resize and on leaving or entering full screen): the same moment. A
// running scene fits the canvas at its next frame anyway.
EMSCRIPTEN_KEEPALIVE void frostvale_redraw() {
    if (run.paused) ask_redraw();
}

// The frame-rate cap: at most fps frames a second (a fraction too); 0,
// a negative or not-a-number fps: every animation frame.
EMSCRIPTEN_KEEPALIVE void frostvale_set_frame_cap(double fps) {
    run.frame_interval_ms = fps > 0.0 ? 1000.0 / fps : 0.0;
    run.next_frame_due_ms = 0.0;
}

// Frames drawn since the live start (each one a step of the scene), for
// the page's own figures.
EMSCRIPTEN_KEEPALIVE uint32_t frostvale_frames_drawn() { return run.frames_drawn; }

// Redraws of the standing scene since the start.
EMSCRIPTEN_KEEPALIVE uint32_t frostvale_redraws() { return run.redraws; }

}  // extern "C"

// The page calls frostvale_start; main has nothing to do.
int main() { return 0; }
