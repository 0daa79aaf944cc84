// Little-endian fields of the files the program writes (the capture's
// bitmap, the music's WAVE image), independent of the machine's order.
#pragma once
#include <cstdint>

namespace shared {

inline void put_u16(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

inline void put_u32(uint8_t* at, uint32_t value) {
    put_u16(at, value & 0xFFFFu);
    put_u16(at + 2, value >> 16);
}

}  // namespace shared
