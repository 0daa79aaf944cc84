// Scene assets: the procedural textures and the models' display lists,
// built once at start-up with the rendering context current.
#pragma once
#include <cstdint>

namespace assets {

// Paints the needle, ground and glow textures and uploads them with full
// mipmap chains. Takes 23,160 draws from the random source, also when a
// pixel buffer cannot be had (then nothing is uploaded and the names stay
// 0, so the models draw untextured).
void build_textures();

// Compiles the seven display lists of the scene's models. No draws.
void build_display_lists();

// OpenGL texture names. Owned by textures_gl.cpp, written once by
// build_textures; read by the display lists (needle, ground) and the
// renderer's glow pass (glow).
extern uint32_t needle_texture;
extern uint32_t ground_texture;
extern uint32_t glow_texture;

// OpenGL display-list names. Owned by lists_gl.cpp, written once by
// build_display_lists; read by the renderer. The ball, bulb and star lists
// carry no material; the renderer gives one (or, for bulbs, a plain colour
// with lighting off) before calling them.
extern uint32_t ground_list;
extern uint32_t tree_list;
extern uint32_t presents_list;
extern uint32_t ornament_ball_list;
extern uint32_t ornament_cap_list;
extern uint32_t bulb_list;
extern uint32_t star_list;

}  // namespace assets
