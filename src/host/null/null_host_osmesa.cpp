#include <GL/osmesa.h>

#include <chrono>
#include <thread>
#include <vector>

#include "host/null/null_host.h"

namespace host {

namespace {

// Owned here: the one off-screen context and the buffer it draws into.
OSMesaContext context = nullptr;
std::vector<uint8_t> buffer;
int32_t buffer_width = 0, buffer_height = 0;

int64_t steady_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void no_events() {}

void sleep_until(int64_t deadline) {
    const int64_t left = deadline - steady_ns();
    if (left > 0) std::this_thread::sleep_for(std::chrono::nanoseconds(left));
}

void buffer_size(Drawable* drawable) {
    drawable->width = buffer_width;
    drawable->height = buffer_height;
}

void finish() { glFinish(); }

int32_t no_refresh_rate() { return 0; }

}  // namespace

const HostPrimitives null_host = {steady_ns, 1000000000, no_events, sleep_until,
                                  buffer_size, finish, no_refresh_rate};

bool open_null_host(int32_t width, int32_t height) {
    if (!context) context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
    if (!context) return false;
    buffer.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
    buffer_width = width;
    buffer_height = height;
    return OSMesaMakeCurrent(context, buffer.data(), GL_UNSIGNED_BYTE, width, height);
}

void close_null_host() {
    if (context) OSMesaDestroyContext(context);
    context = nullptr;
    buffer = std::vector<uint8_t>();
}

}  // namespace host
