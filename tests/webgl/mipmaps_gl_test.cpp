// The layer's mipmap levels against the system's gluBuild2DMipmaps on
// the null host's off-screen context, level by level and byte for byte, for a
// square image and for one whose narrow side reaches 1 first.
#include <gtest/gtest.h>

#include <vector>

#include "host/null/null_host.h"
#include "shared/gl.h"
#include "webgl/primitives.h"

namespace {

TEST(LayerMipmaps, LevelsMatchGluBuild2DMipmaps) {
    ASSERT_TRUE(host::open_null_host(16, 16));

    const int sizes[2][2] = {{16, 16}, {32, 4}};
    for (const auto& size : sizes) {
        const int width = size[0], height = size[1];
        // uneven values, so every rounding of a mean shows
        std::vector<uint8_t> image(static_cast<size_t>(width) * height * 4);
        uint32_t x = 12345;
        for (uint8_t& b : image) {
            x = x * 1103515245u + 12345u;
            b = static_cast<uint8_t>(x >> 23);
        }
        GLuint texture = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        ASSERT_EQ(gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, width, height, GL_RGBA, GL_UNSIGNED_BYTE, image.data()), 0);

        std::vector<webgl::MipLevel> levels;
        webgl::build_mip_levels(width, height, image.data(), &levels);
        ASSERT_EQ(levels.size(), static_cast<size_t>(width == 16 ? 5 : 6));
        for (size_t level = 0; level < levels.size(); ++level) {
            GLint w = 0, h = 0;
            glGetTexLevelParameteriv(GL_TEXTURE_2D, static_cast<GLint>(level), GL_TEXTURE_WIDTH, &w);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, static_cast<GLint>(level), GL_TEXTURE_HEIGHT, &h);
            ASSERT_EQ(w, levels[level].width);
            ASSERT_EQ(h, levels[level].height);
            std::vector<uint8_t> native(static_cast<size_t>(w) * h * 4);
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA, GL_UNSIGNED_BYTE, native.data());
            EXPECT_EQ(native, levels[level].rgba) << width << " x " << height << ", level " << level;
        }
    }
    host::close_null_host();
}

}  // namespace
