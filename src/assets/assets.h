// Scene assets: the procedural textures and the models' display lists,
// built once at start-up with the rendering context current.
#pragma once

namespace assets {

// Paints the needle, ground and glow textures and uploads them with full
// mipmap chains. Takes 23,160 draws from the random source.
void build_textures();

// Compiles the seven display lists of the scene's models. No draws.
void build_display_lists();

}  // namespace assets
