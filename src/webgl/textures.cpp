// The texture entry points. glBindTexture is recorded while a list is
// being compiled, as the other state calls are; the calls below it act at
// once, also then, on the texture bound now (a bind in the list acts when
// the list is called).
#include "webgl/textures.h"

#include "webgl/backend.h"
#include "webgl/batch.h"
#include "webgl/gl11.h"
#include "webgl/lists.h"
#include "webgl/state.h"

namespace webgl {

Texture textures[max_textures];

namespace {

// The next free name: written by glGenTextures and forget_textures.
uint32_t next_texture = 1;

}  // namespace

bool texture_complete(uint32_t name) { return name != 0 && name < max_textures && !textures[name].levels.empty(); }

void forget_textures() {
    for (Texture& t : textures) t = {false, GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT, {}};
    next_texture = 1;
}

}  // namespace webgl

void glGenTextures(GLsizei n, GLuint* names) {
    using namespace webgl;
    for (GLsizei i = 0; i < n; ++i) {
        names[i] = next_texture < max_textures ? next_texture++ : 0;
        if (names[i]) textures[names[i]].named = true;
    }
}

void glBindTexture(GLenum, GLuint name) { webgl::submit(webgl::make_call(webgl::call_bind_texture, name)); }

void glTexParameteri(GLenum, GLenum pname, GLint param) {
    using namespace webgl;
    if (!state.texture || state.texture >= max_textures) return;
    Texture& t = textures[state.texture];
    switch (pname) {
        case GL_TEXTURE_MIN_FILTER:
            t.min_filter = param;
            break;
        case GL_TEXTURE_MAG_FILTER:
            t.mag_filter = param;
            break;
        case GL_TEXTURE_WRAP_S:
            t.wrap_s = param;
            break;
        case GL_TEXTURE_WRAP_T:
            t.wrap_t = param;
            break;
        default:
            return;
    }
    // draws made before keep the texture as it was
    flush_draws();
    backend::texture(state.texture);
}

GLint gluBuild2DMipmaps(GLenum, GLint, GLsizei width, GLsizei height, GLenum format, GLenum type, const void* pixels) {
    // GLU's error codes: an enum or a size this layer does not build
    constexpr GLint invalid_enum = 100900;
    constexpr GLint invalid_value = 100901;
    if (format != GL_RGBA || type != GL_UNSIGNED_BYTE) return invalid_enum;
    const bool power_of_two = width > 0 && height > 0 && (width & (width - 1)) == 0 && (height & (height - 1)) == 0;
    const uint32_t name = webgl::state.texture;
    if (!power_of_two || !name || name >= webgl::max_textures) return invalid_value;
    webgl::flush_draws();
    webgl::build_mip_levels(width, height, static_cast<const uint8_t*>(pixels), &webgl::textures[name].levels);
    webgl::backend::texture(name);
    return 0;
}
