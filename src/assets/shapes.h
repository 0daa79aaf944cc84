// Solid primitives for the display lists: immediate-mode glBegin,
// glNormal3f, glVertex3f and glEnd only, in model coordinates, into the
// open list (or drawn at once outside one). No material, colour, texture
// coordinate or transform of their own.
#pragma once
#include <cstdint>

namespace assets {

// A truncated cone standing on the origin: radius a at y = 0, b at y = h,
// n >= 1 segments. One GL_QUAD_STRIP side (n + 1 steps, the last one at
// 2 pi recomputed, normals leaning by the slope (a - b) / h), then one
// GL_TRIANGLE_FAN top cap, counter-clockwise from above. No bottom cap.
void frustum(float a, float b, float h, int32_t n);

// An axis-aligned box centred on the origin, full sizes w (x), h (y) and
// d (z): one GL_QUADS block, faces front, back, right, left, top, bottom,
// each counter-clockwise from outside.
void box(float w, float h, float d);

// The unit sphere: stacks >= 1 GL_QUAD_STRIP bands from the south pole up,
// slices >= 1 segments around y; each point is its own normal. The pole
// rings are tiny rings (single-precision cos(pi/2) is not 0).
void sphere(int32_t slices, int32_t stacks);

}  // namespace assets
