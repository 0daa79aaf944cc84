#include <cstdlib>

#include "assets/assets.h"
#include "assets/textures.h"
#include "shared/gl.h"
#include "shared/random.h"

namespace assets {

uint32_t needle_texture = 0;
uint32_t ground_texture = 0;
uint32_t glow_texture = 0;

namespace {

// GL_CLAMP_TO_EDGE, missing from the OpenGL 1.1 headers
constexpr GLint clamp_to_edge = 0x812F;

// Uploads the canvas as a mipmapped texture, frees its pixels and returns
// the new texture name. The mipmap builder's result is not examined.
uint32_t upload(Canvas* canvas, GLint wrap) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, canvas->width, canvas->height, GL_RGBA, GL_UNSIGNED_BYTE, canvas->pixels);
    std::free(canvas->pixels);
    canvas->pixels = nullptr;
    return name;
}

}  // namespace

void build_textures() {
    Canvas needle = {needle_texture_size, needle_texture_size, nullptr};
    Canvas ground = {ground_texture_size, ground_texture_size, nullptr};
    Canvas glow = {glow_texture_size, glow_texture_size, nullptr};
    needle.pixels =
        static_cast<uint8_t*>(std::calloc(static_cast<size_t>(needle_texture_size) * needle_texture_size, 4));
    ground.pixels =
        static_cast<uint8_t*>(std::calloc(static_cast<size_t>(ground_texture_size) * ground_texture_size, 4));
    glow.pixels = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(glow_texture_size) * glow_texture_size, 4));
    if (!needle.pixels || !ground.pixels || !glow.pixels) {
        std::free(needle.pixels);
        std::free(ground.pixels);
        std::free(glow.pixels);
        // the layout continues the random sequence where the painting
        // would have left it
        for (int i = 0; i < 23160; ++i) shared::random_word();
        return;
    }
    paint_textures(&needle, &ground, &glow);
    needle_texture = upload(&needle, GL_REPEAT);
    ground_texture = upload(&ground, GL_REPEAT);
    glow_texture = upload(&glow, clamp_to_edge);
}

}  // namespace assets
