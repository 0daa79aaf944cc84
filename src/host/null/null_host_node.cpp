// The null host under node (frostvale-dump compiled to WebAssembly): the
// browser build's OpenGL layer keeps the state, the lists and the texture
// names, and nothing under it draws; a read-back gives black.
#include <cstring>

#include "host/null/null_host.h"
#include "webgl/backend.h"
#include "webgl/layer.h"

namespace host {

namespace {

// Written and read by open_null_host: the layer has been started.
bool started = false;

}  // namespace

bool open_null_host(int32_t width, int32_t height) {
    // the layer starts once, so textures and display lists survive a new size
    if (!started && !webgl::start_layer(width, height)) return false;
    started = true;
    null_host_width = width;
    null_host_height = height;
    return true;
}

void close_null_host() {}

}  // namespace host

namespace webgl::backend {

bool start() { return true; }
void draw(const DrawState&, const Vertex*, int32_t, const uint32_t*, int32_t) {}
void clear(const DrawState&, const float*, uint32_t) {}
void texture(uint32_t) {}
void flush_soon() {}

void read_rgba(int32_t, int32_t, int32_t width, int32_t height, uint8_t* rgba) {
    std::memset(rgba, 0, static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
}

void finish() {}

}  // namespace webgl::backend
