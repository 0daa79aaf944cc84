// The world's three-component vector, shared by the scene, its models and
// the renderer.
#pragma once
#include <cmath>

namespace scene {

struct Vec3 {
    float x, y, z;
};

// v divided by its length, or v itself when the length is 1e-6 or less.
inline Vec3 unit_or_as_is(Vec3 v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length > 0.000001f) return {v.x / length, v.y / length, v.z / length};
    return v;
}

}  // namespace scene
