#include "host/video/video.h"
#include "render/render.h"
#include "shared/gl.h"

namespace host {

void render_video_frame(int32_t width, int32_t height, uint8_t* pixels) {
    // the capture's view and read-back, rows packed for ffmpeg's raw input
    render::render_view(0, 0, width, height, 0.0f);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_BGR_EXT, GL_UNSIGNED_BYTE, pixels);
}

}  // namespace host
