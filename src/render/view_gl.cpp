#include <cmath>

#include "assets/assets.h"
#include "render/camera.h"
#include "render/lights.h"
#include "render/render.h"
#include "scene/state.h"
#include "shared/gl.h"

namespace render {

namespace {

using shared::degrees_per_radian;
// 0.1 x tan 25 degrees: a 50-degree vertical field of view at near 0.1
constexpr float frustum_half_height = 0.0466307662f;

void material(const GLfloat ambient_diffuse[4], const GLfloat specular[4], float shininess, const GLfloat emission[4]) {
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, ambient_diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, shininess);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, emission);
}

// The ornaments' rotation: a gentle sway while attached; the spin of the
// flight otherwise, eased out over the last 15 % of an arrival.
void rotate_ornament(int32_t index, const scene::Ornament& o, float t) {
    if (o.state == scene::ornament_attached) {
        glRotatef(3.4f * std::sin(30.0f * static_cast<float>(index) + 1.2f * t), 0.0f, 0.0f, 1.0f);
        return;
    }
    float angle = o.spin_angle;
    if (o.state == scene::ornament_arriving && o.flight_progress > 0.85f) {
        float x = (o.flight_progress - 0.85f) / 0.15f;
        if (x < 0.0f) x = 0.0f;
        if (x > 1.0f) x = 1.0f;
        angle = angle * (1.0f - x * x * (3.0f - 2.0f * x));
    }
    glRotatef(angle, o.spin_axis.x, o.spin_axis.y, o.spin_axis.z);
}

}  // namespace

void render_view(int32_t x, int32_t y, int32_t width, int32_t height, float camera_phase) {
    const float t = scene::scene_time;
    const float aspect = view_aspect(width, height);

    glViewport(x, y, width, height);
    glScissor(x, y, width, height);
    glEnable(GL_SCISSOR_TEST);
    // the night sky's violet, (10, 8, 32) / 255
    glClearColor(10.0f / 255.0f, 8.0f / 255.0f, 32.0f / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const float half_width = frustum_half_height * aspect;
    glFrustum(-half_width, half_width, -frustum_half_height, frustum_half_height, 0.1, 200.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    const Camera camera = orbit_camera(t, camera_phase, aspect);
    const shared::Vec3& s = camera.right;
    const shared::Vec3& u = camera.up;
    const shared::Vec3& f = camera.forward;
    const GLfloat look[16] = {s.x, u.x, -f.x, 0.0f, s.y, u.y, -f.y, 0.0f, s.z, u.z, -f.z, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    glMultMatrixf(look);
    glTranslatef(-camera.eye.x, -camera.eye.y, -camera.eye.z);

    // sky stars: no depth, following the camera sideways but not up
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glPointSize(height >= 401 ? 1.6f : 1.0f);
    glColor3f(0.87f, 0.9f, 1.0f);
    glBegin(GL_POINTS);
    for (const shared::Vec3& star : scene::sky_stars) {
        glVertex3f(star.x + camera.eye.x, star.y, star.z + camera.eye.z);
    }
    glEnd();

    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glEnable(GL_LIGHTING);
    const GLfloat ambient[4] = {0.3f, 0.28f, 0.42f, 1.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
    set_scene_lights(t);

    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, 16.0f);
    glFogf(GL_FOG_END, 58.0f);
    // (18, 13, 42) / 255
    const GLfloat fog[4] = {18.0f / 255.0f, 13.0f / 255.0f, 42.0f / 255.0f, 1.0f};
    glFogfv(GL_FOG_COLOR, fog);
    glEnable(GL_NORMALIZE);
    glShadeModel(GL_SMOOTH);

    glCallList(assets::ground_list);
    glCallList(assets::tree_list);
    glCallList(assets::presents_list);

    // the gold star on the tree top, turning at 0.8 rad/s
    glPushMatrix();
    glTranslatef(0.0f, 6.67f, 0.0f);
    glRotatef(0.8f * t * shared::degrees_per_radian, 0.0f, 1.0f, 0.0f);
    const GLfloat gold[4] = {1.0f, 0.827451f, 0.301961f, 1.0f};
    const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat glow[4] = {0.8f, 0.55f, 0.0f, 1.0f};
    material(gold, white, 100.0f, glow);
    glCallList(assets::star_list);
    glPopMatrix();

    for (int32_t i = 0; i < scene::ornament_count; ++i) {
        const scene::Ornament& o = scene::ornaments[i];
        if (o.state == scene::ornament_idle) continue;
        glPushMatrix();
        glTranslatef(o.position.x, o.position.y, o.position.z);
        rotate_ornament(i, o, t);
        glScalef(o.current_scale, o.current_scale, o.current_scale);
        const GLfloat colour[4] = {o.colour.x, o.colour.y, o.colour.z, 1.0f};
        const GLfloat emission[4] = {0.12f * o.colour.x, 0.12f * o.colour.y, 0.12f * o.colour.z, 1.0f};
        material(colour, white, 110.0f, emission);
        glCallList(assets::ornament_ball_list);
        glCallList(assets::ornament_cap_list);
        glPopMatrix();
    }

    // the bulbs glow by themselves: unlit, still fogged
    glDisable(GL_LIGHTING);
    const int32_t step = bulb_colour_step(t);
    for (const scene::Bulb& bulb : scene::bulbs) {
        const float blink = std::sin(bulb.blink_rate * t + bulb.blink_phase);
        const float b = 0.4f + 0.6f * (0.35f + 0.65f * (blink > 0.0f ? blink : 0.0f));
        const uint32_t rgb = bulb_palette[(bulb.colour_index + step) % 6];
        const shared::Vec3 colour = shared::colour_of(rgb);
        glColor3f(colour.x * b, colour.y * b, colour.z * b);
        glPushMatrix();
        glTranslatef(bulb.position.x, bulb.position.y, bulb.position.z);
        glScalef(0.05f, 0.05f, 0.05f);
        glCallList(assets::bulb_list);
        glPopMatrix();
    }

    // additive glows: hidden behind solid things, never hiding each other
    glDisable(GL_FOG);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, assets::glow_texture);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glDepthMask(GL_FALSE);
    glBegin(GL_QUADS);
    emit_glow_quads(camera, t);
    glEnd();

    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_SCISSOR_TEST);
}

}  // namespace render
