#include <GL/osmesa.h>

#include <cstddef>
#include <vector>

#include "host/null/null_host.h"

namespace host {

namespace {

// Owned here: the one off-screen context and the buffer it draws into.
OSMesaContext context = nullptr;
std::vector<uint8_t> buffer;

}  // namespace

bool open_null_host(int32_t width, int32_t height) {
    if (!context) context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
    if (!context) return false;
    buffer.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
    null_host_width = width;
    null_host_height = height;
    return OSMesaMakeCurrent(context, buffer.data(), GL_UNSIGNED_BYTE, width, height);
}

void close_null_host() {
    if (context) OSMesaDestroyContext(context);
    context = nullptr;
    buffer = std::vector<uint8_t>();
}

}  // namespace host
