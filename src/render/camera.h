// The orbit camera and the glow sprites' distance fade: the renderer's
// arithmetic that needs no OpenGL.
#pragma once
#include <cstdint>

#include "scene/state.h"

namespace render {

struct Camera {
    shared::Vec3 eye;
    shared::Vec3 target;
    shared::Vec3 forward;  // unit, eye toward target
    shared::Vec3 right;    // unit, horizontal
    shared::Vec3 up;       // right x forward
};

// width / height as floats; 1 when height is 0 or less.
float view_aspect(int32_t width, int32_t height);

// The camera circling the tree at scene time t (seconds) with the orbit
// angle turned further by camera_phase (radians). Views narrower than
// aspect 0.85 pull the camera back by (0.85 / aspect)^0.75. At t = 0 and
// phase 0 the eye is at (11.2, 4.9305, 0), looking at (0, 3, 0).
Camera orbit_camera(float t, float camera_phase, float aspect);

// A glow's brightness factor by its distance from the eye: 1 up to 16
// units, falling linearly to 0 at 58 (the fog's start and end).
float distance_fade(const shared::Vec3& eye, const shared::Vec3& point);

}  // namespace render
