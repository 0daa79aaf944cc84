#include <initializer_list>

#include "host/run/frame_rate.h"
#include "shared/gl.h"

namespace host {

namespace {

enum { glyph_width = 5, glyph_height = 7, glyph_advance = 6 };

// The counter's letters, 5 x 7 pixels: one byte per row, top row first,
// bit 4 the leftmost pixel. Characters not listed show as spaces.
// one row per line, as the table is written
// clang-format off
constexpr struct {
    char character;
    uint8_t rows[glyph_height];
} glyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'%', {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
};
// clang-format on

const uint8_t* glyph_rows(char character) {
    for (const auto& glyph : glyphs) {
        if (glyph.character == character) return glyph.rows;
    }
    return nullptr;
}

// A filled rectangle in window pixels, origin bottom-left.
void fill(int32_t x, int32_t y, int32_t width, int32_t height) {
    glVertex2i(x, y);
    glVertex2i(x + width, y);
    glVertex2i(x + width, y + height);
    glVertex2i(x, y + height);
}

}  // namespace

void draw_frame_rate(const char* text, int32_t x, int32_t y, int32_t width, int32_t height) {
    const int32_t scale = height >= 400 ? 2 : 1;
    int32_t length = 0;
    while (text[length]) ++length;
    const int32_t margin = 4 * scale, left = 4 * scale, bottom = 4 * scale;

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glViewport(x, y, width, height);
    for (const GLenum state :
         {GL_LIGHTING, GL_TEXTURE_2D, GL_DEPTH_TEST, GL_FOG, GL_BLEND, GL_CULL_FACE, GL_ALPHA_TEST, GL_SCISSOR_TEST})
        glDisable(state);

    glBegin(GL_QUADS);
    glColor3f(0.0f, 0.0f, 0.0f);
    fill(left, bottom, (length * glyph_advance - 1) * scale + 2 * margin, glyph_height * scale + 2 * margin);
    glColor3f(1.0f, 1.0f, 1.0f);
    for (int32_t i = 0; i < length; ++i) {
        const uint8_t* rows = glyph_rows(text[i]);
        if (!rows) continue;
        for (int32_t row = 0; row < glyph_height; ++row) {
            for (int32_t column = 0; column < glyph_width; ++column) {
                if (!(rows[row] >> (glyph_width - 1 - column) & 1)) continue;
                fill(left + margin + (i * glyph_advance + column) * scale,
                     bottom + margin + (glyph_height - 1 - row) * scale, scale, scale);
            }
        }
    }
    glEnd();

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}

}  // namespace host
