// The null host's primitives, whatever context it draws into (EGL's with
// no window natively, null_host_egl.cpp; the browser build's
// OpenGL layer with nothing under it under node, null_host_node.cpp).
#include <chrono>
#include <thread>

#include "host/null/null_host.h"
#include "shared/gl.h"

namespace host {

int32_t null_host_width = 0;
int32_t null_host_height = 0;

namespace {

int64_t steady_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void no_events() {}

void sleep_until(int64_t deadline) {
    const int64_t left = deadline - steady_ns();
    if (left > 0) std::this_thread::sleep_for(std::chrono::nanoseconds(left));
}

// One output, the buffer, reporting no refresh rate.
void one_output() { run_output_changed(Output{1, 0, false, 0, 0, null_host_width, null_host_height, unit_scale, 0}); }

void buffer_size(int32_t, DrawableArea* area) {
    *area = DrawableArea{null_host_width, null_host_height, 0, null_host_height};
}

void finish(int32_t) { glFinish(); }

}  // namespace

const HostPrimitives null_host = {steady_ns, 1000000000,  no_events, sleep_until, one_output,
                                  nullptr,   buffer_size, finish,    false,       nullptr};

}  // namespace host
