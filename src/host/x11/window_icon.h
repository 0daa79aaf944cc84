// The program's icon as X11 window managers take it (_NET_WM_ICON), read
// from the same icon file the Windows program carries as its resource.
#pragma once
#include <cstddef>
#include <cstdint>

namespace host {

// res/frostvale.ico, built into the Linux program (generated at configure
// time from the file).
extern const uint8_t icon_file[];
extern const size_t icon_file_size;

// Writes every uncompressed 32-bit image of the icon file ico (the PNG
// images it may also hold are skipped) in _NET_WM_ICON's layout: width,
// height, then width x height pixels as 0xAARRGGBB, top row first; image
// after image. Returns the number of values written: 0 when the file is no
// icon, or an image lies outside it or does not fit in capacity.
size_t net_wm_icon_from_ico(const uint8_t* ico, size_t ico_size, uint32_t* out, size_t capacity);

}  // namespace host
