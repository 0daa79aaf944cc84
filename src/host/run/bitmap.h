// The capture's file format: an uncompressed 24-bit bottom-up BMP.
#pragma once
#include <cstdint>

#include "host/run/output_file.h"

namespace host {

enum { bitmap_header_size = 54 };

// Bytes per pixel row: 3 x width rounded up to a multiple of 4.
int32_t bitmap_stride(int32_t width);

// The 14-byte file header and 40-byte info header for a width x height
// image, little-endian; every byte not named in the format is 0.
void fill_bitmap_header(uint8_t header[bitmap_header_size], int32_t width, int32_t height);

// Writes header and pixel rows (height rows of bitmap_stride(width) bytes,
// bottom row first, blue-green-red) to path by the capture file's rules
// (output_file.h).
CaptureError write_bitmap_file(const char* path, const uint8_t* rows, int32_t width, int32_t height);

}  // namespace host
