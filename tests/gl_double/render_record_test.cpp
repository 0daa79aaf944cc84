// The lights, the glow pass and the view render's drawing order, recorded
// through the GL test double.
#include <gtest/gtest.h>

#include <cmath>

#include "assets/assets.h"
#include "gl_double.h"
#include "render/gl.h"
#include "render/lights.h"
#include "render/render.h"
#include "scene/state.h"
#include "settings/settings.h"

namespace {

using gl_double::Call;

void expect_args(const Call& c, std::vector<float> args, float tolerance = 0.0f) {
    ASSERT_EQ(c.args.size(), args.size()) << c.name;
    for (size_t i = 0; i < args.size(); ++i) EXPECT_NEAR(c.args[i], args[i], tolerance) << c.name << " arg " << i;
}

TEST(SceneLights, FiveLightsAtTimeZero) {
    gl_double::reset();
    render::set_scene_lights(0.0f);
    const auto& c = gl_double::calls;
    ASSERT_EQ(c.size(), 5u * 8u);
    for (int light = 0; light < 5; ++light) {
        const Call* l = &c[light * 8];
        const float name = static_cast<float>(GL_LIGHT0 + light);
        EXPECT_EQ(l[0].args[1], static_cast<float>(GL_POSITION));
        EXPECT_EQ(l[1].args[1], static_cast<float>(GL_DIFFUSE));
        EXPECT_EQ(l[2].args[1], static_cast<float>(GL_SPECULAR));
        expect_args(l[3], {name, static_cast<float>(GL_AMBIENT), 0, 0, 0, 1});
        expect_args(l[4], {name, static_cast<float>(GL_CONSTANT_ATTENUATION), 1});
        expect_args(l[5], {name, static_cast<float>(GL_LINEAR_ATTENUATION), 0});
        EXPECT_EQ(l[6].args[1], static_cast<float>(GL_QUADRATIC_ATTENUATION));
        expect_args(l[7], {name});
        EXPECT_EQ(l[7].name, "glEnable");
        for (int k = 2; k < 6; ++k) EXPECT_EQ(l[1].args[k], l[2].args[k]);
    }
    // the cool directional moonlight
    expect_args(c[0], {GL_LIGHT0, GL_POSITION, -8, 14, 6, 0});
    expect_args(c[1], {GL_LIGHT0, GL_DIFFUSE, 0.42f, 0.46f, 0.66f, 1});
    EXPECT_EQ(c[6].args[2], 0.0f);
    // the warm tree-top light at intensity 1.1
    expect_args(c[8], {GL_LIGHT1, GL_POSITION, 0, 6.65f, 0, 1});
    expect_args(c[9], {GL_LIGHT1, GL_DIFFUSE, 1.1f, 0.86f * 1.1f, 0.6f * 1.1f, 1}, 1e-6f);
    EXPECT_EQ(c[14].args[2], 0.09f);
    // the coloured lights at orbit angle 2 pi i / 3, intensity 1.5 + 0.8 sin(4 pi i / 3)
    const float palette[3][3] = {{0xFF, 0x4D, 0x6D}, {0x4D, 0xC3, 0xFF}, {0xFF, 0xD2, 0x4D}};
    for (int i = 0; i < 3; ++i) {
        const double angle = 2.0 * M_PI * i / 3.0;
        const double intensity = 1.5 + 0.8 * std::sin(2.0 * angle);
        const Call* l = &c[(2 + i) * 8];
        expect_args(l[0], {static_cast<float>(GL_LIGHT2 + i), GL_POSITION, static_cast<float>(3.4 * std::cos(angle)),
                           static_cast<float>(1.6 + 1.3 * i + 0.6 * std::sin(angle)),
                           static_cast<float>(3.4 * std::sin(angle)), 1},
                    1e-5f);
        expect_args(l[1], {static_cast<float>(GL_LIGHT2 + i), GL_DIFFUSE, static_cast<float>(palette[i][0] / 255 * intensity),
                           static_cast<float>(palette[i][1] / 255 * intensity),
                           static_cast<float>(palette[i][2] / 255 * intensity), 1},
                    1e-5f);
        EXPECT_EQ(l[6].args[2], 0.07f);
    }
}

struct Quad {
    float r, g, b;
    float x, y, z;  // the centre, from the first and third corners
    float size;
};

std::vector<Quad> quads() {
    std::vector<Quad> out;
    const auto& c = gl_double::calls;
    for (size_t i = 0; i + 8 < c.size(); ++i) {
        if (c[i].name != "glColor3f") continue;
        const Call& v0 = c[i + 2];
        const Call& v2 = c[i + 6];
        EXPECT_EQ(c[i + 1].args, (std::vector<float>{0, 0}));
        EXPECT_EQ(c[i + 3].args, (std::vector<float>{1, 0}));
        EXPECT_EQ(c[i + 5].args, (std::vector<float>{1, 1}));
        EXPECT_EQ(c[i + 7].args, (std::vector<float>{0, 1}));
        out.push_back({c[i].args[0], c[i].args[1], c[i].args[2], (v0.args[0] + v2.args[0]) / 2,
                       (v0.args[1] + v2.args[1]) / 2, (v0.args[2] + v2.args[2]) / 2, v2.args[1] - v0.args[1]});
        i += 8;
    }
    return out;
}

class GlowPass : public ::testing::Test {
protected:
    void SetUp() override {
        scene::reset_scene_state();
        scene::snow_count = 0;
        settings::snow_flag = 0;
        // looking at the tree from +x, level
        scene::camera_basis = {{11.2f, 5.0f, 0.0f}, {0.0f, 0.0f, -1.0f}, {0.0f, 1.0f, 0.0f}};
        for (scene::Bulb& b : scene::bulbs) b.position = {0.0f, 5.0f, 0.0f};
    }
    void TearDown() override { settings::snow_flag = 1; }
};

TEST_F(GlowPass, StarHaloThenBulbsFacingTheCamera) {
    gl_double::reset();
    render::emit_glow_quads(0.0f);
    const auto q = quads();
    ASSERT_EQ(q.size(), 1u + 84u);
    EXPECT_EQ(q[0].y, 6.67f);
    EXPECT_NEAR(q[0].size, 2.4f, 1e-6);
    // 16 units or nearer: full fade; k = 0.75 x 0.9
    EXPECT_FLOAT_EQ(q[0].r, 0.675f);
    EXPECT_FLOAT_EQ(q[0].g, 0.83f * 0.675f);
    EXPECT_FLOAT_EQ(q[0].b, 0.42f * 0.675f);
    // a bulb at phase 0, rate 0: k = 0.35 x 0.75, palette entry 0 (0xFF3B3B)
    EXPECT_NEAR(q[1].size, 0.42f, 1e-6);
    EXPECT_FLOAT_EQ(q[1].r, 0.2625f);
    EXPECT_FLOAT_EQ(q[1].g, 0x3B / 255.0f * 0.2625f);
    // the corners span the camera's right and up
    const Call& first_corner = gl_double::calls[2];
    expect_args(first_corner, {0.0f, 6.67f - 1.2f, 1.2f}, 1e-6f);
}

TEST_F(GlowPass, BulbColoursStepEveryFourSeconds) {
    scene::bulbs[0].colour_index = 5;
    scene::bulbs[1].colour_index = 2;
    gl_double::reset();
    render::emit_glow_quads(4.0f);
    auto q = quads();
    // (5 + 1) mod 6 = 0: red; (2 + 1) = 3: 0xFFD23B
    EXPECT_GT(q[1].r, 0.0f);
    EXPECT_FLOAT_EQ(q[1].g / q[1].r, 0x3B / 255.0f);
    EXPECT_FLOAT_EQ(q[2].g / q[2].r, 0xD2 / 255.0f);
    gl_double::reset();
    render::emit_glow_quads(3.99f);
    q = quads();
    EXPECT_FLOAT_EQ(q[1].g / q[1].r, 1.0f);  // still 0xFFFFFF
}

TEST_F(GlowPass, TrailsSparksAndSnowInOrder) {
    scene::Ornament& head_only = scene::ornaments[5];  // idle, but a trail is a trail
    head_only.trail_count = 1;
    head_only.trail[0] = {1.0f, 2.0f, 3.0f};
    scene::Ornament& full = scene::ornaments[7];
    full.state = scene::ornament_attached;
    full.colour = {1.0f, 0.5f, 0.25f};
    full.trail_count = 30;
    for (scene::Vec3& p : full.trail) p = {0.0f, 5.0f, 0.0f};
    scene::ornaments[3].state = scene::ornament_arriving;  // no trail: nothing
    scene::sparks[0] = {0.5f, {0.0f, 5.0f, 0.0f}, {0, 0, 0}, {1.0f, 1.0f, 0.0f}};
    scene::sparks[1].life = 0.0f;
    scene::sparks[2].life = -1.0f;
    scene::sparks[10] = {2.0f, {80.0f, 5.0f, 0.0f}, {0, 0, 0}, {1.0f, 1.0f, 1.0f}};
    scene::snow_count = 4;
    scene::snow_positions[0] = {0.0f, 5.0f, 0.0f};
    scene::snow_positions[1] = {60.0f, 5.0f, 0.0f};    // 48.8 away
    scene::snow_positions[2] = {68.0f, 5.0f, 0.0f};    // 56.8: k just above 0.01
    scene::snow_positions[3] = {69.0f, 5.0f, 0.0f};    // 57.8: skipped
    gl_double::reset();
    render::emit_glow_quads(0.0f);
    auto q = quads();
    ASSERT_EQ(q.size(), 85u + 1u + 30u + 2u);  // snow off
    const Quad* t = &q[85];
    EXPECT_EQ(t[0].x, 1.0f);
    EXPECT_EQ(t[0].r, t[0].b);  // white head
    EXPECT_FLOAT_EQ(t[1].r, 0.9f);  // full's head: k = 0.9
    EXPECT_FLOAT_EQ(t[1].g, 0.9f);
    EXPECT_FLOAT_EQ(t[2].r, 0.9f * (29.0f / 30.0f) * (29.0f / 30.0f));
    EXPECT_FLOAT_EQ(t[2].g, 0.5f * t[2].r);
    EXPECT_NEAR(t[30].r, 0.9f / 900.0f, 1e-8);  // the last, a = 1/30
    EXPECT_FLOAT_EQ(t[31].r, 0.6f);  // spark: life x 1.2
    EXPECT_EQ(t[31].b, 0.0f);
    EXPECT_EQ(t[32].x, 80.0f);  // beyond 58 units: emitted, black
    EXPECT_EQ(t[32].r, 0.0f);

    settings::snow_flag = 1;
    gl_double::reset();
    render::emit_glow_quads(0.0f);
    q = quads();
    ASSERT_EQ(q.size(), 85u + 1u + 30u + 2u + 3u);
    const Quad* snow = &q[118];
    EXPECT_NEAR(snow[0].size, 0.14f, 1e-6);
    EXPECT_FLOAT_EQ(snow[0].r, 0.55f);
    EXPECT_NEAR(snow[1].r, 0.55f * (58.0f - 48.8f) / 42.0f, 1e-5);
    EXPECT_GT(snow[2].r, 0.01f);
    EXPECT_EQ(snow[2].x, 68.0f);
}

class ViewRecord : public ::testing::Test {
protected:
    void SetUp() override {
        scene::reset_scene_state();
        assets::ground_list = 1;
        assets::tree_list = 2;
        assets::presents_list = 3;
        assets::ornament_ball_list = 4;
        assets::ornament_cap_list = 5;
        assets::bulb_list = 6;
        assets::star_list = 7;
        assets::glow_texture = 9;
    }
};

TEST_F(ViewRecord, ProjectionStarsAndState) {
    for (int i = 0; i < scene::star_count; ++i) scene::sky_stars[i] = {1.0f, 50.0f + i, -2.0f};
    gl_double::reset();
    render::render_view(10, 20, 1280, 720, 0.0f);
    const auto& c = gl_double::calls;
    expect_args(c[0], {10, 20, 1280, 720});
    EXPECT_EQ(c[0].name, "glViewport");
    EXPECT_EQ(c[1].name, "glScissor");
    expect_args(c[3], {0.0392156877f, 0.0313725509f, 0.125490203f, 1});
    const float aspect = 1280.0f / 720.0f;
    EXPECT_EQ(gl_double::frustum_args[0], -static_cast<double>(0.0466307662f * aspect));
    EXPECT_EQ(gl_double::frustum_args[1], static_cast<double>(0.0466307662f * aspect));
    EXPECT_EQ(gl_double::frustum_args[3], static_cast<double>(0.0466307662f));
    EXPECT_EQ(gl_double::frustum_args[4], 0.1);
    EXPECT_EQ(gl_double::frustum_args[5], 200.0);
    // the look-at rotation: rows right, up, -forward
    const auto look = gl_double::named(c, "glMultMatrixf");
    ASSERT_EQ(look.size(), 1u);
    EXPECT_EQ(look[0].args[8], scene::camera_basis.right.z);
    EXPECT_EQ(look[0].args[1], scene::camera_basis.up.x);
    EXPECT_EQ(look[0].args[15], 1.0f);
    EXPECT_EQ(gl_double::named(c, "glPointSize")[0].args[0], 1.6f);
    const auto prims = gl_double::primitives(c);
    ASSERT_GE(prims.size(), 2u);
    EXPECT_EQ(prims[0].mode, static_cast<uint32_t>(GL_POINTS));
    ASSERT_EQ(prims[0].vertices.size(), 1400u);
    EXPECT_EQ(prims[0].vertices[3].x, 1.0f + 11.2f);
    EXPECT_EQ(prims[0].vertices[3].y, 53.0f);
    EXPECT_EQ(prims[0].vertices[3].z, -2.0f);
    // the glow batch last, then the restore
    EXPECT_EQ(prims.back().mode, static_cast<uint32_t>(GL_QUADS));
    const size_t n = c.size();
    EXPECT_EQ(c[n - 4].name, "glDepthMask");
    expect_args(c[n - 4], {1});
    expect_args(c[n - 3], {GL_BLEND});
    expect_args(c[n - 2], {GL_TEXTURE_2D});
    expect_args(c[n - 1], {GL_SCISSOR_TEST});
    EXPECT_EQ(c[n - 1].name, "glDisable");
    // height 400 keeps 1-pixel stars; height 0 draws with aspect 1
    gl_double::reset();
    render::render_view(0, 0, 400, 400, 0.0f);
    EXPECT_EQ(gl_double::named(gl_double::calls, "glPointSize")[0].args[0], 1.0f);
    gl_double::reset();
    render::render_view(0, 0, 500, 0, 0.0f);
    EXPECT_EQ(gl_double::frustum_args[1], static_cast<double>(0.0466307662f));
}

TEST_F(ViewRecord, ListsInOrderAndOrnamentRotations) {
    scene::ornaments[1].state = scene::ornament_attached;
    scene::ornaments[1].spin_angle = 77.0f;
    scene::ornaments[1].current_scale = 0.2f;
    scene::ornaments[2].state = scene::ornament_arriving;
    scene::ornaments[2].flight_progress = 1.0f;
    scene::ornaments[2].spin_angle = 50.0f;
    scene::ornaments[2].spin_axis = {0.0f, 1.0f, 0.0f};
    scene::ornaments[3].state = scene::ornament_arriving;
    scene::ornaments[3].flight_progress = 0.5f;
    scene::ornaments[3].spin_angle = 50.0f;
    scene::ornaments[4].state = scene::ornament_departing;
    scene::ornaments[4].flight_progress = 0.95f;
    scene::ornaments[4].spin_angle = 20.0f;
    scene::ornaments[5].state = scene::ornament_arriving;
    scene::ornaments[5].flight_progress = 0.925f;  // x = 0.5: eased to half
    scene::ornaments[5].spin_angle = 40.0f;
    scene::ornaments[5].colour = {1.0f, 0.5f, 0.0f};
    scene::scene_time = 2.0f;
    gl_double::reset();
    render::render_view(0, 0, 640, 480, 0.0f);
    const auto& c = gl_double::calls;
    std::vector<float> lists;
    for (const Call& call : gl_double::named(c, "glCallList")) lists.push_back(call.args[0]);
    ASSERT_EQ(lists.size(), 4u + 5u * 2u + 84u);
    EXPECT_EQ(std::vector<float>(lists.begin(), lists.begin() + 6), (std::vector<float>{1, 2, 3, 7, 4, 5}));
    EXPECT_EQ(lists.back(), 6.0f);
    const auto rotations = gl_double::named(c, "glRotatef");
    ASSERT_EQ(rotations.size(), 6u);
    EXPECT_FLOAT_EQ(rotations[0].args[0], 0.8f * 2.0f * 57.2958f);  // the tree-top star
    expect_args(rotations[1], {3.4f * std::sin(30.0f + 1.2f * 2.0f), 0, 0, 1}, 1e-6f);
    expect_args(rotations[2], {0, 0, 1, 0});
    EXPECT_EQ(rotations[3].args[0], 50.0f);
    EXPECT_EQ(rotations[4].args[0], 20.0f);
    EXPECT_FLOAT_EQ(rotations[5].args[0], 20.0f);
    // the ornament material: its colour, white highlight, 0.12 of it glowing
    const auto materials = gl_double::named(c, "glMaterialfv");
    ASSERT_EQ(materials.size(), 3u + 5u * 3u);
    expect_args(materials[3 * 5], {GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, 1.0f, 0.5f, 0.0f, 1});
    expect_args(materials[3 * 5 + 2], {GL_FRONT_AND_BACK, GL_EMISSION, 0.12f, 0.06f, 0.0f, 1});
    expect_args(materials[0], {GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, 1, 0.827451f, 0.301961f, 1});
    expect_args(materials[2], {GL_FRONT_AND_BACK, GL_EMISSION, 0.8f, 0.55f, 0, 1});
    const auto scales = gl_double::named(c, "glScalef");
    EXPECT_EQ(scales[0].args[0], 0.2f);
    EXPECT_EQ(scales[5].args[0], 0.05f);  // the first bulb
}

}  // namespace
