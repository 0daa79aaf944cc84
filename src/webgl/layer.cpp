#include "webgl/layer.h"

#include <cstddef>
#include <vector>

#include "webgl/backend.h"
#include "webgl/batch.h"
#include "webgl/gl11.h"
#include "webgl/lists.h"
#include "webgl/primitives.h"
#include "webgl/state.h"
#include "webgl/textures.h"

namespace webgl {

bool start_layer(int32_t width, int32_t height) {
    reset_state(&state, width, height);
    forget_lists();
    forget_textures();
    drop_draws();
    return backend::start();
}

bool restore_layer() {
    drop_draws();
    // the lists' geometry goes to the new context with their next draw
    store_sent = false;
    return backend::start();
}

}  // namespace webgl

void glFinish() {
    webgl::flush_draws();
    webgl::backend::finish();
}

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels) {
    if (width <= 0 || height <= 0 || type != GL_UNSIGNED_BYTE) return;
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    webgl::flush_draws();
    webgl::backend::read_rgba(x, y, width, height, rgba.data());
    webgl::pack_rows(rgba.data(), width, height, format, webgl::state.pack_alignment, static_cast<uint8_t*>(pixels));
}
