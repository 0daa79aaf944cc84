// Little-endian fields of the files the program writes (the capture's
// bitmap, the music's WAVE image) and reads (its icon file), independent of
// the machine's order.
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

inline uint32_t get_u16(const uint8_t* at) { return at[0] | at[1] << 8; }

inline uint32_t get_u32(const uint8_t* at) { return get_u16(at) | get_u16(at + 2) << 16; }

}  // namespace shared
