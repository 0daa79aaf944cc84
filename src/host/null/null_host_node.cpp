// The null host under node (frostvale-dump compiled to WebAssembly): the
// browser build's OpenGL layer over its null backend (backend_null.cpp),
// which keeps the state, the lists and the texture names and draws nothing.
#include "host/null/null_host.h"
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
