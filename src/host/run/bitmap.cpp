#include "host/run/bitmap.h"

#include <cstring>

#include "shared/little_endian.h"

namespace host {

int32_t bitmap_stride(int32_t width) { return (3 * width + 3) & ~3; }

void fill_bitmap_header(uint8_t header[bitmap_header_size], int32_t width, int32_t height) {
    const uint32_t image_size = static_cast<uint32_t>(bitmap_stride(width)) * static_cast<uint32_t>(height);
    std::memset(header, 0, bitmap_header_size);
    header[0] = 'B';
    header[1] = 'M';
    shared::put_u32(header + 2, bitmap_header_size + image_size);
    shared::put_u32(header + 10, bitmap_header_size);
    shared::put_u32(header + 14, 40);
    shared::put_u32(header + 18, static_cast<uint32_t>(width));
    shared::put_u32(header + 22, static_cast<uint32_t>(height));
    shared::put_u16(header + 26, 1);   // planes
    shared::put_u16(header + 28, 24);  // bits per pixel
    shared::put_u32(header + 34, image_size);
}

CaptureError write_bitmap_file(const char* path, const uint8_t* rows, int32_t width, int32_t height) {
    uint8_t header[bitmap_header_size];
    fill_bitmap_header(header, width, height);
    const size_t size = static_cast<size_t>(bitmap_stride(width)) * static_cast<size_t>(height);
    return write_capture_file(path, header, sizeof header, rows, size);
}

}  // namespace host
