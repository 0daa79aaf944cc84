// The backend of frostvale-dump under node: the layer keeps the state, the
// lists and the texture names, and nothing under it draws; a read-back
// gives black.
#include <cstring>

#include "webgl/backend.h"

namespace webgl::backend {

bool start() { return true; }
void send_store(const Vertex*, int32_t, const uint32_t*, int32_t) {}
void draw(const Batch&) {}
void clear(const DrawState&, const float*, uint32_t) {}
void texture(uint32_t) {}
void flush_soon() {}

void read_rgba(int32_t, int32_t, int32_t width, int32_t height, uint8_t* rgba) {
    std::memset(rgba, 0, static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
}

void finish() {}

}  // namespace webgl::backend
