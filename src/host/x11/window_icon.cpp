#include "host/x11/window_icon.h"

#include "shared/little_endian.h"

namespace host {

namespace {

using shared::get_u16;
using shared::get_u32;

enum {
    directory_header = 6,  // reserved, type (1: icon), image count
    directory_entry = 16,  // width, height, colours, reserved, planes, bits, size, offset
    dib_header = 40,       // BITMAPINFOHEADER
};

}  // namespace

size_t net_wm_icon_from_ico(const uint8_t* ico, size_t ico_size, uint32_t* out, size_t capacity) {
    if (ico_size < directory_header || get_u16(ico) != 0 || get_u16(ico + 2) != 1) return 0;
    const uint32_t images = get_u16(ico + 4);
    if (ico_size < directory_header + static_cast<size_t>(images) * directory_entry) return 0;
    size_t written = 0;
    for (uint32_t i = 0; i < images; ++i) {
        const uint8_t* entry = ico + directory_header + i * directory_entry;
        const size_t size = get_u32(entry + 8), offset = get_u32(entry + 12);
        if (offset > ico_size || size > ico_size - offset || size < dib_header) return 0;
        const uint8_t* dib = ico + offset;
        // a PNG image starts with its signature, not a 40-byte header
        if (get_u32(dib) != dib_header || get_u16(dib + 14) != 32 || get_u32(dib + 16) != 0) continue;
        // the DIB's height counts the colour rows and the mask rows
        const uint32_t width = get_u32(dib + 4), height = get_u32(dib + 8) / 2;
        if (width == 0 || width > 256 || height != width) return 0;
        const size_t pixels = static_cast<size_t>(width) * height;
        if (size < dib_header + 4 * pixels || capacity - written < 2 + pixels) return 0;
        out[written++] = width;
        out[written++] = height;
        // rows are stored bottom row first, pixels as blue, green, red, alpha
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* row = dib + dib_header + 4 * static_cast<size_t>(height - 1 - y) * width;
            for (uint32_t x = 0; x < width; ++x) out[written++] = get_u32(row + 4 * x);
        }
    }
    return written;
}

}  // namespace host
