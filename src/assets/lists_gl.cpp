#include <cmath>

#include "assets/assets.h"
#include "assets/shapes.h"
#include "shared/gl.h"
#include "shared/tiers.h"
#include "shared/world.h"

namespace assets {

uint32_t ground_list = 0;
uint32_t tree_list = 0;
uint32_t presents_list = 0;
uint32_t ornament_ball_list = 0;
uint32_t ornament_cap_list = 0;
uint32_t bulb_list = 0;
uint32_t star_list = 0;

namespace {

using shared::degrees_per_radian;
using shared::two_pi;

struct Present {
    float x, z;
    float w, h, d;
    uint32_t box_colour;     // 0xRRGGBB
    uint32_t ribbon_colour;  // 0xRRGGBB
    float yaw_offset;        // radians
};

constexpr Present present_table[7] = {
    {1.95f, 0.95f, 0.9f, 0.7f, 0.9f, 0xC8102E, 0xF4D35E, 0.3f},
    {-1.75f, 1.35f, 1.1f, 0.55f, 0.8f, 0x1B998B, 0xFFFFFF, -0.25f},
    {0.45f, 2.15f, 0.7f, 0.85f, 0.7f, 0x7B2CBF, 0xF4D35E, 0.15f},
    {-0.65f, -2.05f, 1.0f, 0.6f, 1.0f, 0xE9E3D4, 0xC8102E, 0.35f},
    {2.05f, -1.2f, 0.6f, 0.5f, 0.6f, 0x2D6A4F, 0xE63946, -0.3f},
    {-2.25f, -0.65f, 0.7f, 0.8f, 0.7f, 0xFF6FB0, 0xFFFFFF, 0.2f},
    {1.05f, 1.75f, 0.5f, 0.4f, 0.5f, 0xF4A261, 0x2A6FDB, -0.1f},
};

// Ambient and diffuse, specular, shininess, then black emission, on both
// faces.
void material(float r, float g, float b, float specular, float shininess) {
    const GLfloat colour[4] = {r, g, b, 1.0f};
    const GLfloat shine[4] = {specular, specular, specular, 1.0f};
    const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, colour);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, shine);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, shininess);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, black);
}

void material_of(uint32_t rgb, float specular, float shininess) {
    const shared::Vec3 colour = shared::colour_of(rgb);
    material(colour.x, colour.y, colour.z, specular, shininess);
}

// A 140 x 140 square at y = 0 in 96 x 96 cells; the texture repeats every
// 14/3 units, 30 times across.
void emit_ground() {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, ground_texture);
    material(0.8f, 0.78f, 0.88f, 0.16f, 40.0f);
    glNormal3f(0.0f, 1.0f, 0.0f);
    const float step = 1.4583334f;
    const float repeat = 4.6666665f;
    for (int32_t j = 0; j < 96; ++j) {
        const float z0 = static_cast<float>(j) * step - 70.0f;
        const float z1 = z0 + step;
        glBegin(GL_QUAD_STRIP);
        for (int32_t i = 0; i <= 96; ++i) {
            const float x = static_cast<float>(i) * step - 70.0f;
            glTexCoord2f(x / repeat, z1 / repeat);
            glVertex3f(x, 0.0f, z1);
            glTexCoord2f(x / repeat, z0 / repeat);
            glVertex3f(x, 0.0f, z0);
        }
        glEnd();
    }
    glDisable(GL_TEXTURE_2D);
}

// Five needle-textured cones (8 bands of 41 steps and a bottom disc each),
// the needles wrapping 5 times around and twice up every tier, then the
// untextured trunk.
void emit_tree() {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, needle_texture);
    material(1.0f, 1.0f, 1.0f, 0.07f, 6.0f);
    for (const shared::Tier& tier : shared::tier_table) {
        const float b = tier.base_height;
        const float radius = tier.base_radius;
        const float height = tier.height;
        const float k = radius / height;
        for (int32_t j = 0; j < 8; ++j) {
            const float a0 = static_cast<float>(j) * 0.125f;
            const float a1 = static_cast<float>(j + 1) * 0.125f;
            glBegin(GL_QUAD_STRIP);
            for (int32_t s = 0; s <= 40; ++s) {
                const float u = static_cast<float>(s) / 40.0f;
                const float theta = u * shared::two_pi;
                const float c = std::cos(theta);
                const float z = std::sin(theta);
                const shared::Vec3 n = shared::unit_or_as_is({c, k, z});
                glNormal3f(n.x, n.y, n.z);
                glTexCoord2f(5.0f * u, 2.0f * a1);
                glVertex3f((1.0f - a1) * c * radius, b + height * a1, (1.0f - a1) * z * radius);
                glTexCoord2f(5.0f * u, 2.0f * a0);
                glVertex3f((1.0f - a0) * c * radius, b + height * a0, (1.0f - a0) * z * radius);
            }
            glEnd();
        }
        glBegin(GL_TRIANGLE_FAN);
        glNormal3f(0.0f, -1.0f, 0.0f);
        glTexCoord2f(0.5f, 0.5f);
        glVertex3f(0.0f, b, 0.0f);
        for (int32_t s = 0; s <= 40; ++s) {
            const float theta = static_cast<float>(s) / 40.0f * shared::two_pi;
            const float c = std::cos(theta);
            const float z = std::sin(theta);
            glTexCoord2f(c, z);
            glVertex3f(c * radius, b, z * radius);
        }
        glEnd();
    }
    glDisable(GL_TEXTURE_2D);
    material(90.0f / 255.0f, 58.0f / 255.0f, 34.0f / 255.0f, 0.05f, 4.0f);
    frustum(0.38f, 0.3f, 1.2f, 16);
}

// One bow loop: a torus about its own z axis, ring radius 0.11, tube
// radius 0.035, 16 strips of 8 tube segments.
void emit_bow_loop() {
    for (int32_t i = 0; i < 16; ++i) {
        const float phi1 = static_cast<float>(i + 1) * 0.0625f * shared::two_pi;
        const float phi0 = static_cast<float>(i) * 0.0625f * shared::two_pi;
        const float cos1 = std::cos(phi1);
        const float sin1 = std::sin(phi1);
        const float cos0 = std::cos(phi0);
        const float sin0 = std::sin(phi0);
        glBegin(GL_QUAD_STRIP);
        for (int32_t j = 0; j <= 8; ++j) {
            const float psi = static_cast<float>(j) * 0.125f * shared::two_pi;
            const float cp = std::cos(psi);
            const float sp = std::sin(psi);
            const float ring = 0.11f + 0.035f * cp;
            glNormal3f(cp * cos1, cp * sin1, sp);
            glVertex3f(ring * cos1, ring * sin1, 0.035f * sp);
            glNormal3f(cp * cos0, cp * sin0, sp);
            glVertex3f(ring * cos0, ring * sin0, 0.035f * sp);
        }
        glEnd();
    }
}

// Seven boxes resting on the ground, their own +z turned away from the
// tree, each with two crossing ribbon bands and a two-loop bow.
void emit_presents() {
    for (const Present& p : present_table) {
        glPushMatrix();
        glTranslatef(p.x, 0.0f, p.z);
        glRotatef((std::atan2(p.x, p.z) + p.yaw_offset) * shared::degrees_per_radian, 0.0f, 1.0f, 0.0f);
        glTranslatef(0.0f, p.h * 0.5f, 0.0f);
        material_of(p.box_colour, 0.2f, 30.0f);
        box(p.w, p.h, p.d);
        material_of(p.ribbon_colour, 0.4f, 60.0f);
        box(p.w + 0.02f, p.h + 0.02f, 0.11f);
        box(0.11f, p.h + 0.02f, p.d + 0.02f);
        const float yb = p.h * 0.5f + 0.07f;
        for (int32_t side = -1; side <= 1; side += 2) {
            const float k = static_cast<float>(side);
            glPushMatrix();
            glTranslatef(k * 0.1f, yb, 0.0f);
            glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
            glRotatef(k * 34.0f, 0.0f, 0.0f, 1.0f);
            emit_bow_loop();
            glPopMatrix();
        }
        glPopMatrix();
    }
}

// A gold cylinder from y = 0.9 to 1.2, its open bottom inside the ball.
void emit_ornament_cap() {
    material(216.0f / 255.0f, 180.0f / 255.0f, 90.0f / 255.0f, 0.9f, 90.0f);
    glPushMatrix();
    glTranslatef(0.0f, 0.9f, 0.0f);
    frustum(0.28f, 0.28f, 0.3f, 10);
    glPopMatrix();
}

// A flat five-pointed star in the xy plane, tips up, 0.12 thick: back
// face, front face, then the rim.
void emit_star() {
    float x[10];
    float y[10];
    for (int32_t k = 0; k < 10; ++k) {
        // 90 + 36 k degrees as pi x (0.5 + 0.2 k) from the single-precision
        // pi and 0.2, rounded to float once: the star's exact outline
        const float angle = static_cast<float>(static_cast<double>(3.1415927f) *
                                               (static_cast<double>(0.5f) + static_cast<double>(0.2f) * k));
        const float radius = k % 2 == 0 ? 0.45f : 0.19f;
        x[k] = std::cos(angle) * radius;
        y[k] = std::sin(angle) * radius;
    }
    for (int32_t side = -1; side <= 1; side += 2) {
        const float g = static_cast<float>(side);
        const float z = 0.06f * g;
        glBegin(GL_TRIANGLE_FAN);
        glNormal3f(0.0f, 0.0f, g);
        glVertex3f(0.0f, 0.0f, z);
        for (int32_t m = 0; m <= 10; ++m) {
            // the back face runs p0, p9, ..., p1, p0; the front p0 ... p9, p0
            const int32_t k = side < 0 ? (10 - m) % 10 : m % 10;
            glVertex3f(x[k], y[k], z);
        }
        glEnd();
    }
    glBegin(GL_QUADS);
    for (int32_t k = 1; k <= 10; ++k) {
        const int32_t a = k - 1;
        const int32_t b = k % 10;
        const float dx = x[b] - x[a];
        const float dy = y[b] - y[a];
        const shared::Vec3 n = shared::unit_or_as_is({dy, -dx, 0.0f});
        glNormal3f(n.x, n.y, n.z);
        glVertex3f(x[a], y[a], 0.06f);
        glVertex3f(x[a], y[a], -0.06f);
        glVertex3f(x[b], y[b], -0.06f);
        glVertex3f(x[b], y[b], 0.06f);
    }
    glEnd();
}

// A new display list, open for compiling; the caller emits and ends it.
uint32_t start_list() {
    const uint32_t name = glGenLists(1);
    glNewList(name, GL_COMPILE);
    return name;
}

}  // namespace

void build_display_lists() {
    ground_list = start_list();
    emit_ground();
    glEndList();
    tree_list = start_list();
    emit_tree();
    glEndList();
    presents_list = start_list();
    emit_presents();
    glEndList();
    ornament_ball_list = start_list();
    sphere(28, 18);
    glEndList();
    ornament_cap_list = start_list();
    emit_ornament_cap();
    glEndList();
    bulb_list = start_list();
    sphere(8, 6);
    glEndList();
    star_list = start_list();
    emit_star();
    glEndList();
}

}  // namespace assets
