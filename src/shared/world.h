// The world frame's shared pieces: the vector, the unit rule, the angle
// constants and the colour convention of the constant tables.
#pragma once
#include <cmath>
#include <cstdint>

namespace shared {

struct Vec3 {
    float x, y, z;
};

constexpr float two_pi = 6.28318531f;
// radians to the degrees glRotatef takes
constexpr float degrees_per_radian = 57.2958f;

// v divided by its length, or v itself when the length is 1e-6 or less.
inline Vec3 unit_or_as_is(Vec3 v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length > 0.000001f) return {v.x / length, v.y / length, v.z / length};
    return v;
}

// A table colour 0xRRGGBB as OpenGL's red, green, blue in 0..1.
inline Vec3 colour_of(uint32_t rgb) {
    return {static_cast<float>(rgb >> 16 & 0xFF) / 255.0f, static_cast<float>(rgb >> 8 & 0xFF) / 255.0f,
            static_cast<float>(rgb & 0xFF) / 255.0f};
}

}  // namespace shared
