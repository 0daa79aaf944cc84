// The browser host: the one saver run on the page's WebGL2 canvas, drawn
// through the project's OpenGL 1.1 layer. index.html calls frostvale_start
// once the module is ready. Live, the run's frame function runs once per
// requestAnimationFrame: the browser paces the frames, presents them and
// hands input to the page's own controls. With ?t=SECONDS the run makes
// the capture of that time instead, and nothing more is drawn.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cmath>
#include <cstdint>

#include "host/run/capture.h"
#include "host/run/run.h"
#include "shared/run_mode.h"
#include "webgl/layer.h"

namespace {

constexpr const char* canvas = "#scene";
// where the capture's bitmap is written, in the module's own file system
constexpr const char* capture_path = "/frostvale.bmp";

// Written by animation_frame, read by frostvale_frames_drawn (the page).
uint32_t frames_drawn = 0;

// The page's clock, in microseconds.
int64_t page_clock() { return std::llround(emscripten_get_now() * 1000.0); }

// Events go to the page's own handlers; the browser waits between frames.
void no_events() {}
void no_wait(int64_t) {}
// The browser presents the canvas when the animation frame returns.
void no_swap() {}
// Animation frames come at the display's rate: the run need not pace them.
int32_t no_refresh_rate() { return 0; }

// The canvas's drawing buffer follows its size on the page times the
// device pixel ratio.
void fit_canvas(host::Drawable* drawable) {
    double css_width = 0.0, css_height = 0.0;
    emscripten_get_element_css_size(canvas, &css_width, &css_height);
    const double ratio = emscripten_get_device_pixel_ratio();
    const int w = static_cast<int>(std::lround(css_width * ratio));
    const int h = static_cast<int>(std::lround(css_height * ratio));
    int width = 0, height = 0;
    emscripten_get_canvas_element_size(canvas, &width, &height);
    if (w > 0 && h > 0 && (w != width || h != height)) {
        emscripten_set_canvas_element_size(canvas, w, h);
        width = w;
        height = h;
    }
    *drawable = {};
    drawable->width = width;
    drawable->height = height;
}

const host::HostPrimitives page = {page_clock, 1000000, no_events, no_wait, fit_canvas, no_swap, no_refresh_rate,
                                   nullptr};

EM_BOOL animation_frame(double, void*) {
    if (!host::run_frame()) return EM_FALSE;
    if (frames_drawn++ == 0) EM_ASM(performance.mark('frostvale-first-frame'));
    return EM_TRUE;
}

bool start_context(bool keep_picture) {
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
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context(canvas, &attributes);
    return context > 0 && emscripten_webgl_make_context_current(context) == EMSCRIPTEN_RESULT_SUCCESS;
}

}  // namespace

extern "C" {

// Starts the run. capture_time null: live, in a window of the page (the
// whole scene, no exit rules), snow as given, the frame rate in a corner
// when show_fps is non-zero; music waits for the page's button, since
// browsers let a page sound only after a click. Otherwise the capture of
// that time, read as a command line's (its seed and steps, snow on), is
// drawn, written to /frostvale.bmp and left on the canvas. Returns 0; 1
// when the browser gives no WebGL2 context or its WebGL2 cannot build the
// scene's shaders; 2 for a time that is not a
// number, 3 for a negative one, 4 for one the capture cannot reach; 5 when
// the capture could not be written.
EMSCRIPTEN_KEEPALIVE int frostvale_start(const char* capture_time, int snow, int show_fps) {
    const bool capture = capture_time != nullptr;
    float seconds = 0.0f;
    if (capture) {
        switch (host::read_capture_time(capture_time, &seconds)) {
            case host::CaptureTime::usable: break;
            case host::CaptureTime::not_a_number: return 2;
            case host::CaptureTime::negative: return 3;
            case host::CaptureTime::unreachable: return 4;
        }
    }
    if (!start_context(capture)) return 1;
    host::Drawable drawable;
    fit_canvas(&drawable);
    if (!webgl::start_layer(drawable.width, drawable.height)) return 1;
    const int32_t mode = capture ? shared::mode_capture : shared::mode_windowed;
    host::RunConfig config = {mode, capture || snow != 0, false, false,
                              host::run_seed(mode, static_cast<uint32_t>(emscripten_get_now()))};
    config.show_fps = !capture && show_fps != 0;
    if (capture) return host::run_saver(config, page, seconds, capture_path) == 0 ? 0 : 5;
    host::start_live_run(config, page);
    emscripten_request_animation_frame_loop(animation_frame, nullptr);
    return 0;
}

// The snow toggle: the flakes stop where they are while it is off.
EMSCRIPTEN_KEEPALIVE void frostvale_set_snow(int on) { host::run_set_snow(on != 0); }

// Frames drawn since the live start, for the page's own figures.
EMSCRIPTEN_KEEPALIVE uint32_t frostvale_frames_drawn() { return frames_drawn; }

}  // extern "C"

// The page calls frostvale_start; main has nothing to do.
int main() { return 0; }
