#include "render/camera.h"

#include <cmath>

namespace render {

using shared::unit_or_as_is;

float view_aspect(int32_t width, int32_t height) {
    if (height <= 0) return 1.0f;
    return static_cast<float>(width) / static_cast<float>(height);
}

Camera orbit_camera(float t, float camera_phase, float aspect) {
    const float zoom = aspect < 0.85f ? std::pow(0.85f / aspect, 0.75f) : 1.0f;
    const float radius = (11.2f + 2.0f * std::sin(0.07f * t)) * zoom;
    const float angle = 0.11f * t + camera_phase;
    Camera c;
    c.eye = {radius * std::cos(angle), 3.5f + 1.7f * std::sin(0.093f * t + 1.0f), radius * std::sin(angle)};
    c.target = {0.0f, 3.0f + 0.35f * std::sin(0.05f * t), 0.0f};
    c.forward = shared::unit_or_as_is({c.target.x - c.eye.x, c.target.y - c.eye.y, c.target.z - c.eye.z});
    // forward x world up (0, 1, 0)
    c.right = shared::unit_or_as_is({-c.forward.z, 0.0f, c.forward.x});
    const shared::Vec3& s = c.right;
    const shared::Vec3& f = c.forward;
    c.up = {s.y * f.z - s.z * f.y, s.z * f.x - s.x * f.z, s.x * f.y - s.y * f.x};
    return c;
}

float distance_fade(const shared::Vec3& eye, const shared::Vec3& point) {
    const float dx = point.x - eye.x;
    const float dy = point.y - eye.y;
    const float dz = point.z - eye.z;
    const float distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    const float fade = (58.0f - distance) / 42.0f;
    if (fade < 0.0f) return 0.0f;
    if (fade > 1.0f) return 1.0f;
    return fade;
}

}  // namespace render
