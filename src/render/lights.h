// The scene's five animated lights and the additive glow sprites.
#pragma once
#include <cstdint>

#include "render/camera.h"
#include "scene/state.h"

namespace render {

// Bulb colours, 0xRRGGBB, shared by the bulbs and their glows; the whole
// string shifts by one place every 4 s.
constexpr uint32_t bulb_palette[6] = {0xFF3B3B, 0x3BFF6A, 0x3B8CFF, 0xFFD23B, 0xFF6FD8, 0xFFFFFF};

// The three coloured lights circling the tree, 0xRRGGBB.
constexpr uint32_t light_palette[3] = {0xFF4D6D, 0x4DC3FF, 0xFFD24D};

// The colour-step of the bulb string at scene time t: trunc(0.25 t).
int32_t bulb_colour_step(float t);

// One OpenGL light (GL_LIGHT0 + n): position (x, y, z, w) (w = 0 for a
// directional light), diffuse and specular colour x intensity, black
// ambient, attenuation 1 + 0 d + quadratic d^2; then enabled. Positions go
// through the current modelview matrix.
void light_setup(uint32_t light, const shared::Vec3& position, float w, const shared::Vec3& colour, float intensity,
                 float quadratic);

// GL_LIGHT0 to GL_LIGHT4 at scene time t: the cool moonlight, the warm
// pulsing light at the tree top and the three coloured lights circling the
// tree at radius 3.4.
void set_scene_lights(float t);

// One camera-facing square of edge size around centre, in colour
// (red, green, blue), its corners textured (0, 0) to (1, 1), facing the
// view's camera; call between glBegin(GL_QUADS) and glEnd.
void glow_quad(const Camera& camera, const shared::Vec3& centre, float size, float red, float green, float blue);

// Every glow quad of a frame at scene time t, in order: the tree-top star's
// halo, the 84 bulbs, the ornament trails, the live sparks and, with the
// snow flag on, the snowflakes nearer than about 57.2 units, as the view's
// camera sees them. Call between glBegin(GL_QUADS) and glEnd.
void emit_glow_quads(const Camera& camera, float t);

}  // namespace render
