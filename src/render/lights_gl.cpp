#include <cmath>

#include "render/camera.h"
#include "render/lights.h"
#include "scene/state.h"
#include "shared/gl.h"

namespace render {

namespace {

using shared::colour_of;
using shared::two_pi;

}  // namespace

int32_t bulb_colour_step(float t) { return static_cast<int32_t>(0.25f * t); }

void light_setup(uint32_t light, const shared::Vec3& position, float w, const shared::Vec3& colour, float intensity,
                 float quadratic) {
    const GLfloat place[4] = {position.x, position.y, position.z, w};
    const GLfloat lit[4] = {colour.x * intensity, colour.y * intensity, colour.z * intensity, 1.0f};
    const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glLightfv(light, GL_POSITION, place);
    glLightfv(light, GL_DIFFUSE, lit);
    glLightfv(light, GL_SPECULAR, lit);
    glLightfv(light, GL_AMBIENT, black);
    glLightf(light, GL_CONSTANT_ATTENUATION, 1.0f);
    glLightf(light, GL_LINEAR_ATTENUATION, 0.0f);
    glLightf(light, GL_QUADRATIC_ATTENUATION, quadratic);
    glEnable(light);
}

void set_scene_lights(float t) {
    light_setup(GL_LIGHT0, {-8.0f, 14.0f, 6.0f}, 0.0f, {0.42f, 0.46f, 0.66f}, 1.0f, 0.0f);
    light_setup(GL_LIGHT1, {0.0f, 6.65f, 0.0f}, 1.0f, {1.0f, 0.86f, 0.6f}, 1.1f + 0.3f * std::sin(2.1f * t), 0.09f);
    for (int32_t i = 0; i < 3; ++i) {
        const float fi = static_cast<float>(i);
        const float phi = shared::two_pi * fi / 3.0f;
        const float a = (0.35f + 0.12f * fi) * t + phi;
        const shared::Vec3 position = {3.4f * std::cos(a), 1.6f + 1.3f * fi + 0.6f * std::sin(0.7f * t + phi),
                                       3.4f * std::sin(a)};
        const float intensity = 1.5f + 0.8f * std::sin(2.0f * phi + 1.3f * t);
        light_setup(GL_LIGHT2 + i, position, 1.0f, shared::colour_of(light_palette[i]), intensity, 0.07f);
    }
}

void glow_quad(const Camera& camera, const shared::Vec3& centre, float size, float red, float green, float blue) {
    const float h = size / 2.0f;
    const shared::Vec3& right = camera.right;
    const shared::Vec3& up = camera.up;
    const shared::Vec3 r = {right.x * h, right.y * h, right.z * h};
    const shared::Vec3 u = {up.x * h, up.y * h, up.z * h};
    glColor3f(red, green, blue);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(centre.x - r.x - u.x, centre.y - r.y - u.y, centre.z - r.z - u.z);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(centre.x + r.x - u.x, centre.y + r.y - u.y, centre.z + r.z - u.z);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(centre.x + r.x + u.x, centre.y + r.y + u.y, centre.z + r.z + u.z);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(centre.x - r.x + u.x, centre.y - r.y + u.y, centre.z - r.z + u.z);
}

void emit_glow_quads(const Camera& camera, float t) {
    const shared::Vec3& eye = camera.eye;

    const shared::Vec3 star = {0.0f, 6.67f, 0.0f};
    const float star_k = distance_fade(eye, star) * (0.75f + 0.25f * std::sin(2.1f * t)) * 0.9f;
    glow_quad(camera, star, 2.4f, star_k, 0.83f * star_k, 0.42f * star_k);

    const int32_t step = bulb_colour_step(t);
    for (const scene::Bulb& bulb : scene::bulbs) {
        const float blink = std::sin(bulb.blink_rate * t + bulb.blink_phase);
        const float k = distance_fade(eye, bulb.position) * (0.35f + 0.65f * (blink > 0.0f ? blink : 0.0f)) * 0.75f;
        const shared::Vec3 c = shared::colour_of(bulb_palette[(bulb.colour_index + step) % 6]);
        glow_quad(camera, bulb.position, 0.42f, c.x * k, c.y * k, c.z * k);
    }

    for (const scene::Ornament& o : scene::ornaments) {
        if (o.trail_count <= 0) continue;
        const float head = distance_fade(eye, o.trail[0]) * 0.9f;
        glow_quad(camera, o.trail[0], 0.42f, head, head, head);
        for (int32_t j = 1; j < o.trail_count && j < scene::trail_length; ++j) {
            const float a = 1.0f - static_cast<float>(j) / 30.0f;
            const float k = distance_fade(eye, o.trail[j]) * 0.9f * (a * a);
            glow_quad(camera, o.trail[j], 0.42f, o.colour.x * k, o.colour.y * k, o.colour.z * k);
        }
    }

    for (const scene::Spark& s : scene::sparks) {
        if (!(s.life > 0.0f)) continue;
        const float k = distance_fade(eye, s.position) * s.life * 1.2f;
        glow_quad(camera, s.position, 0.42f, s.colour.x * k, s.colour.y * k, s.colour.z * k);
    }

    if (scene::snowing && scene::snow_count > 0) {
        for (int32_t i = 0; i < scene::snow_count && i < scene::snow_capacity; ++i) {
            const float k = distance_fade(eye, scene::snow_positions[i]) * 0.55f;
            if (k > 0.01f) glow_quad(camera, scene::snow_positions[i], 0.14f, k, k, k);
        }
    }
}

}  // namespace render
