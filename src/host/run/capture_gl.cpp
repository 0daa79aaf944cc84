#include <cerrno>
#include <cstdlib>

#include "host/run/bitmap.h"
#include "host/run/capture.h"
#include "render/render.h"
#include "shared/gl.h"

namespace host {

CaptureError capture_frame(float seconds, int32_t width, int32_t height, const char* path) {
    advance_capture(seconds);
    render::render_view(0, 0, width, height, 0.0f);
    glFinish();
    const size_t size = static_cast<size_t>(bitmap_stride(width)) * static_cast<size_t>(height);
    uint8_t* rows = static_cast<uint8_t*>(std::calloc(size ? size : 1, 1));
    if (!rows) return {CaptureFault::pixels, ENOMEM};
    // rows arrive bottom row first, blue-green-red, 4-byte aligned: the
    // bitmap's own row layout
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_BGR_EXT, GL_UNSIGNED_BYTE, rows);
    const CaptureError written = write_bitmap_file(path, rows, width, height);
    std::free(rows);
    return written;
}

}  // namespace host
