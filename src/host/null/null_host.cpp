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

void buffer_size(Drawable* drawable) {
    drawable->width = null_host_width;
    drawable->height = null_host_height;
}

void finish() { glFinish(); }

int32_t no_refresh_rate() { return 0; }

}  // namespace

const HostPrimitives null_host = {steady_ns,   1000000000, no_events,       sleep_until,
                                  buffer_size, finish,     no_refresh_rate, nullptr};

}  // namespace host
