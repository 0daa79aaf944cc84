#include "render/render.h"

#include "render/gl.h"

namespace render {

void render_view(int32_t x, int32_t y, int32_t width, int32_t height, float) {
    glViewport(x, y, width, height);
    glScissor(x, y, width, height);
    glEnable(GL_SCISSOR_TEST);
    // the night sky's violet, (10, 8, 32) / 255
    glClearColor(10.0f / 255.0f, 8.0f / 255.0f, 32.0f / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

}  // namespace render
