// The browser host: the scene on the page's WebGL2 canvas, drawn through
// the project's OpenGL 1.1 layer. index.html calls frostvale_start once the
// module is ready; live, the scene steps once per requestAnimationFrame by
// the time since the last frame (capped as the native frame loops cap it)
// and its clock restarts as theirs do; with ?t=SECONDS the page shows the
// capture of that time instead and draws nothing more.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cmath>
#include <cstdint>

#include "host/run/capture.h"
#include "host/run/saver_gl.h"
#include "scene/scene.h"
#include "shared/flags.h"
#include "shared/run_mode.h"
#include "webgl/layer.h"

namespace {

constexpr const char* canvas = "#scene";
// where the capture's bitmap is written, in the module's own file system
constexpr const char* capture_path = "/frostvale.bmp";

double last_frame_ms = 0.0;
uint32_t frames_drawn = 0;

// The canvas's drawing buffer follows its size on the page times the
// device pixel ratio.
void fit_canvas(int* width, int* height) {
    double css_width = 0.0, css_height = 0.0;
    emscripten_get_element_css_size(canvas, &css_width, &css_height);
    const double ratio = emscripten_get_device_pixel_ratio();
    const int w = static_cast<int>(std::lround(css_width * ratio));
    const int h = static_cast<int>(std::lround(css_height * ratio));
    emscripten_get_canvas_element_size(canvas, width, height);
    if (w > 0 && h > 0 && (w != *width || h != *height)) {
        emscripten_set_canvas_element_size(canvas, w, h);
        *width = w;
        *height = h;
    }
}

EM_BOOL live_frame(double now_ms, void*) {
    // the frame loops' step rule, on the page's millisecond clock
    const int64_t elapsed_us = std::llround((now_ms - last_frame_ms) * 1000.0);
    last_frame_ms = now_ms;
    scene::step_live_scene(host::frame_time_step(elapsed_us, 1000000));
    int width = 0, height = 0;
    fit_canvas(&width, &height);
    host::draw_frame(false, nullptr, 0, 0, 0, width, height);
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
    if (context <= 0 || emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS) return false;
    return true;
}

}  // namespace

extern "C" {

// Starts the scene. capture_seconds below 0: live, with snow as given;
// otherwise the capture of that time (fixed seed, capture steps, snow on)
// is drawn, written to /frostvale.bmp and left on the canvas. Returns 0, 1
// when the browser gives no WebGL2 context, 2 for a capture time the
// capture cannot reach.
EMSCRIPTEN_KEEPALIVE int frostvale_start(double capture_seconds, int snow) {
    const bool capture = capture_seconds >= 0.0;
    if (capture && !host::capture_time_reachable(static_cast<float>(capture_seconds))) return 2;
    int width = 0, height = 0;
    if (!start_context(capture)) return 1;
    fit_canvas(&width, &height);
    webgl::start_layer(width, height);
    shared::run_mode = capture ? shared::mode_capture : shared::mode_windowed;
    shared::snow_flag = capture || snow ? 1 : 0;
    host::build_scene(static_cast<uint32_t>(emscripten_get_now()));
    if (capture) {
        host::capture_frame(static_cast<float>(capture_seconds), width, height, capture_path);
        return 0;
    }
    last_frame_ms = emscripten_get_now();
    emscripten_request_animation_frame_loop(live_frame, nullptr);
    return 0;
}

// The snow toggle: flakes stop being stepped and drawn while it is off.
EMSCRIPTEN_KEEPALIVE void frostvale_set_snow(int on) { shared::snow_flag = on ? 1 : 0; }

// Frames drawn since the live start, for the page's own figures.
EMSCRIPTEN_KEEPALIVE uint32_t frostvale_frames_drawn() { return frames_drawn; }

}  // extern "C"

// The page calls frostvale_start; main has nothing to do.
int main() { return 0; }
