#include "host/run/bitmap.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "host/run/capture_file.h"
#include "shared/little_endian.h"

namespace host {

int32_t bitmap_stride(int32_t width) { return (3 * width + 3) & ~3; }

void fill_bitmap_header(uint8_t header[bitmap_header_size], int32_t width, int32_t height) {
    const uint32_t image_size =
        static_cast<uint32_t>(bitmap_stride(width)) * static_cast<uint32_t>(height);
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

namespace {

// Writes the header and the rows; false when a write fails.
bool write_bitmap(FILE* file, const uint8_t* rows, int32_t width, int32_t height) {
    uint8_t header[bitmap_header_size];
    fill_bitmap_header(header, width, height);
    const size_t stride = static_cast<size_t>(bitmap_stride(width));
    bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header;
    for (int32_t row = 0; ok && row < height; ++row) {
        ok = std::fwrite(rows + stride * static_cast<size_t>(row), 1, stride, file) == stride;
    }
    return ok;
}

// The first name beside file that is free, made and opened: file's own
// name with ".N.new" added.
FILE* create_file_beside(const std::string& file, const std::string& like, std::string* name) {
    for (int n = 0; n < 100; ++n) {
        *name = file + "." + std::to_string(n) + ".new";
        FILE* created = create_new_file(*name, like);
        if (created || errno != EEXIST) return created;
    }
    return nullptr;
}

}  // namespace

bool write_bitmap_file(const char* path, const uint8_t* rows, int32_t width, int32_t height) {
    std::string file;
    const PathKind kind = inspect_path(path, &file);
    if (kind == PathKind::other) {
        // a device or a FIFO takes the bytes in place, and stays
        FILE* out = std::fopen(path, "wb");
        if (!out) return false;
        bool ok = write_bitmap(out, rows, width, height) && std::fflush(out) == 0;
        int error = errno;
        if (std::fclose(out) != 0 && ok) {
            ok = false;
            error = errno;
        }
        errno = error;
        return ok;
    }
    // a new file beside the target, moved over it once every byte is on
    // disk: a failure leaves the older file as it was
    std::string temporary;
    FILE* out = create_file_beside(file, kind == PathKind::regular ? file : std::string(), &temporary);
    if (!out) return false;
    bool ok = write_bitmap(out, rows, width, height) && flush_file(out);
    int error = errno;
    // a full disk may only show when the buffered rows are flushed
    if (std::fclose(out) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && !replace_file(temporary, file)) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        std::remove(temporary.c_str());
        errno = error;
    }
    return ok;
}

}  // namespace host
