// The solid primitives, the display lists and the texture uploads,
// recorded through the GL test double.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "../test_support.h"
#include "assets/assets.h"
#include "assets/shapes.h"
#include "assets/textures.h"
#include "gl_double.h"
#include "shared/gl.h"
#include "shared/random.h"

namespace {

using gl_double::named;
using gl_double::Primitive;
using gl_double::Vertex;
using Shapes = std::vector<std::pair<uint32_t, size_t>>;

// Each primitive's mode and vertex count.
Shapes shapes(const std::vector<Primitive>& prims) {
    Shapes out;
    for (const Primitive& p : prims) out.push_back({p.mode, p.vertices.size()});
    return out;
}

std::vector<Primitive> record(void (*emit)()) {
    gl_double::reset();
    emit();
    return gl_double::primitives(gl_double::calls);
}

std::vector<Primitive> list(uint32_t name) { return gl_double::primitives(gl_double::list_contents(name)); }

float length(float x, float y, float z) { return std::sqrt(x * x + y * y + z * z); }

TEST(Frustum, SideTopFirstThenCapCounterClockwise) {
    const auto prims = record([] { assets::frustum(0.38f, 0.3f, 1.2f, 16); });
    ASSERT_EQ(shapes(prims), (Shapes{{GL_QUAD_STRIP, 34}, {GL_TRIANGLE_FAN, 18}}));
    const auto& side = prims[0].vertices;
    EXPECT_TRUE(side[0].x == 0.3f && side[0].y == 1.2f && side[0].z == 0.0f);  // top first, on +x
    EXPECT_TRUE(side[1].x == 0.38f && side[1].y == 0.0f);
    for (const Vertex& v : side) {
        // the slope 0.08 / 1.2, normalised with the unit circle
        EXPECT_NEAR(v.ny, 0.0666667 / std::sqrt(1.0 + 0.0666667 * 0.0666667), 1e-6);
        EXPECT_NEAR(length(v.nx, v.ny, v.nz), 1.0f, 1e-6);
    }
    // the last step recomputes 2 pi: the seam closes up to the last bits
    EXPECT_TRUE(std::fabs(side[32].x - side[0].x) < 1e-6f && std::fabs(side[32].z) < 1e-6f && side[32].z != 0.0f);
    const auto& cap = prims[1].vertices;
    EXPECT_TRUE(cap[0].x == 0.0f && cap[0].y == 1.2f && cap[0].z == 0.0f && cap[0].ny == 1.0f);
    // descending angles: counter-clockwise seen from above; i = 12 three quarters round
    EXPECT_NEAR(cap[1].x, 0.3f, 1e-6);
    EXPECT_NEAR(cap[5].z, -0.3f, 1e-6);
    EXPECT_TRUE(cap[17].x == 0.3f && cap[17].z == 0.0f);
}

TEST(Box, SixFacesOnTheirPlanesWithOutwardNormals) {
    const auto prims = record([] { assets::box(1.0f, 0.6f, 0.4f); });
    ASSERT_EQ(shapes(prims), (Shapes{{GL_QUADS, 24}}));
    const float normals[6][3] = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    const float half[3] = {0.5f, 0.3f, 0.2f};
    for (int k = 0; k < 24; ++k) {
        const Vertex& v = prims[0].vertices[k];
        const float* n = normals[k / 4];
        const float plane = std::fabs(half[0] * n[0] + half[1] * n[1] + half[2] * n[2]);
        EXPECT_TRUE(v.nx == n[0] && v.ny == n[1] && v.nz == n[2] && v.x * n[0] + v.y * n[1] + v.z * n[2] == plane) << k;
    }
}

TEST(Sphere, BandsFromTheSouthPoleWithTinyPoleRings) {
    const auto prims = record([] { assets::sphere(28, 18); });
    ASSERT_EQ(shapes(prims), Shapes(18, {GL_QUAD_STRIP, 58}));
    for (const Primitive& p : prims)
        for (const Vertex& v : p.vertices)
            ASSERT_TRUE(v.x == v.nx && v.y == v.ny && v.z == v.nz && std::fabs(length(v.x, v.y, v.z) - 1.0f) < 1e-6f);
    // upper point first, then lower; the pole rings tiny but not points
    const Vertex& pole = prims[0].vertices[1];
    EXPECT_TRUE(pole.y == -1.0f && prims[0].vertices[0].y > -1.0f && prims[17].vertices[0].y == 1.0f);
    EXPECT_TRUE(std::hypot(pole.x, pole.z) > 0.0f && std::hypot(pole.x, pole.z) < 1e-7f);
}

class Lists : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        gl_double::reset();
        assets::ground_texture = 41;
        assets::needle_texture = 42;
        assets::build_display_lists();
    }
};

TEST_F(Lists, SevenListsCompiledInOrderWithoutDraws) {
    // the double names lists 1, 2, ... as they are asked for, one at a time
    const uint32_t names[7] = {assets::ground_list,       assets::tree_list, assets::presents_list,
                               assets::ornament_ball_list, assets::ornament_cap_list, assets::bulb_list,
                               assets::star_list};
    const auto news = named(gl_double::calls, "glNewList");
    ASSERT_EQ(news.size(), 7u);
    for (int i = 0; i < 7; ++i)
        EXPECT_TRUE(names[i] == i + 1u && news[i].args == (std::vector<float>{i + 1.0f, GL_COMPILE})) << i;
    EXPECT_EQ(named(gl_double::calls, "glEndList").size(), 7u);
    // the ball and the bulb take the caller's material
    EXPECT_EQ(shapes(list(assets::ornament_ball_list)), Shapes(18, {GL_QUAD_STRIP, 58}));
    EXPECT_EQ(shapes(list(assets::bulb_list)), Shapes(6, {GL_QUAD_STRIP, 18}));
    EXPECT_TRUE(named(gl_double::list_contents(assets::ornament_ball_list), "glMaterialfv").empty());
}

TEST_F(Lists, GroundIs96StripsOf194VerticesToTheFarEdge) {
    const auto contents = gl_double::list_contents(assets::ground_list);
    ASSERT_GE(contents.size(), 3u);
    EXPECT_EQ(contents[1].args, (std::vector<float>{GL_TEXTURE_2D, 41}));
    EXPECT_EQ(contents[2].args, (std::vector<float>{GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, 0.8f, 0.78f, 0.88f, 1}));
    const auto prims = gl_double::primitives(contents);
    ASSERT_EQ(shapes(prims), Shapes(96, {GL_QUAD_STRIP, 194}));
    for (const Primitive& p : prims)
        for (const Vertex& v : p.vertices)
            ASSERT_TRUE(v.y == 0.0f && v.ny == 1.0f && v.s == v.x / 4.6666665f && v.t == v.z / 4.6666665f);
    const Vertex &first = prims[0].vertices[1], &last = prims[95].vertices[192];
    EXPECT_TRUE(first.x == -70.0f && first.z == -70.0f && last.x == 70.0f && last.z == 70.0000076f);
    EXPECT_NEAR(last.s - prims[0].vertices[0].s, 30.0f, 1e-4);  // 30 repeats across
}

TEST_F(Lists, TreeTiersTextureAndTrunk) {
    const auto contents = gl_double::list_contents(assets::tree_list);
    EXPECT_EQ(contents[1].args, (std::vector<float>{GL_TEXTURE_2D, 42}));
    const auto prims = gl_double::primitives(contents);
    Shapes expected;
    for (int tier = 0; tier < 5; ++tier) {
        expected.insert(expected.end(), 8, {GL_QUAD_STRIP, 82});
        expected.push_back({GL_TRIANGLE_FAN, 42});  // the underside
    }
    expected.insert(expected.end(), {{GL_QUAD_STRIP, 34}, {GL_TRIANGLE_FAN, 18}});  // the trunk
    ASSERT_EQ(shapes(prims), expected);
    const float apex[5] = {3.35f, 4.25f, 5.05f, 5.75f, 6.35f}, base[5] = {1.05f, 2.25f, 3.3f, 4.25f, 5.1f};
    const float radius[5] = {2.5f, 2.05f, 1.62f, 1.2f, 0.78f};
    for (int tier = 0; tier < 5; ++tier) {
        for (int band = 0; band < 8; ++band) {
            const auto& v = prims[tier * 9 + band].vertices;
            EXPECT_TRUE(v[80].s == 5.0f && v[0].t == 0.25f * (band + 1) && v[1].t == 0.25f * band) << tier << band;
            for (const Vertex& n : v) EXPECT_NEAR(length(n.nx, n.ny, n.nz), 1.0f, 1e-6);
        }
        const Vertex& bottom = prims[tier * 9].vertices[1];
        EXPECT_TRUE(bottom.y == base[tier] && bottom.x == radius[tier]) << tier;
        EXPECT_NEAR(prims[tier * 9 + 7].vertices[0].y, apex[tier], 1e-6);
        const auto& disc = prims[tier * 9 + 8].vertices;
        EXPECT_TRUE(disc[0].ny == -1.0f && disc[21].y == base[tier]) << tier;
    }
    // texturing ends before the trunk's own bark material
    EXPECT_EQ(named(contents, "glDisable").size(), 1u);
    EXPECT_EQ(named(contents, "glMaterialfv")[3].args[2], 90.0f / 255.0f);
}

TEST_F(Lists, PresentsTurnedAwayAndTheCap) {
    const auto presents = gl_double::list_contents(assets::presents_list);
    const auto rotations = named(presents, "glRotatef");
    ASSERT_EQ(rotations.size(), 7u * 5u);
    // present 1: atan2(-1.75, 1.35) - 0.25 = -66.7 degrees
    EXPECT_NEAR(rotations[5].args[0], -66.7f, 0.05f);
    EXPECT_EQ(gl_double::primitives(presents).size(), 7u * (3u + 32u));
    const auto cap = gl_double::list_contents(assets::ornament_cap_list);
    EXPECT_EQ(cap[0].args[2], 216.0f / 255.0f);
    EXPECT_EQ(named(cap, "glTranslatef").at(0).args[1], 0.9f);
    EXPECT_EQ(shapes(gl_double::primitives(cap)), (Shapes{{GL_QUAD_STRIP, 22}, {GL_TRIANGLE_FAN, 12}}));
}

TEST_F(Lists, StarOutlineFacesAndRim) {
    EXPECT_TRUE(named(gl_double::list_contents(assets::star_list), "glMaterialfv").empty());
    const auto prims = list(assets::star_list);
    ASSERT_EQ(shapes(prims), (Shapes{{GL_TRIANGLE_FAN, 12}, {GL_TRIANGLE_FAN, 12}, {GL_QUADS, 40}}));
    const float px[10] = {-0.0000000197f, -0.111679226f, -0.427975446f, -0.180700719f, -0.26450327f,
                          0.0000000023f,  0.264503449f,  0.180700734f,  0.427975386f,  0.111679181f};
    const float py[10] = {0.45f, 0.153713211f, 0.139057547f, -0.0587132685f, -0.36405769f,
                          -0.19f, -0.364057571f, -0.0587132201f, 0.139057770f, 0.153713241f};
    const auto &back = prims[0].vertices, &front = prims[1].vertices, &rim = prims[2].vertices;
    EXPECT_TRUE(front[0].z == 0.06f && front[0].nz == 1.0f && back[0].z == -0.06f && back[0].nz == -1.0f);
    for (int k = 0; k <= 10; ++k) {
        const int i = k % 10;  // exact but for the points on the axis
        EXPECT_NEAR(front[k + 1].x, px[i], i % 5 ? 0.0 : 1e-9) << k;
        EXPECT_NEAR(front[k + 1].y, py[i], i % 5 ? 0.0 : 1e-9) << k;
    }
    EXPECT_TRUE(back[2].x == front[10].x && back[10].x == front[2].x);  // wound the other way
    const Vertex& closing = rim[36];  // p9 to p0
    EXPECT_NEAR(closing.nx, 0.935734272f, 1e-7);
    EXPECT_NEAR(closing.ny, 0.352705806f, 1e-7);
    EXPECT_TRUE(closing.nz == 0.0f && closing.x == front[10].x && closing.z == 0.06f && rim[37].z == -0.06f &&
                rim[38].x == front[1].x);
    for (int e = 0; e < 10; ++e) EXPECT_GT(rim[e * 4].nx * rim[e * 4].x + rim[e * 4].ny * rim[e * 4].y, 0.0f) << e;
}

TEST(TextureUpload, InOrderWithFullMipmapsAnd23160Draws) {
    shared::seed_random(8230);
    gl_double::reset();
    assets::build_textures();
    EXPECT_EQ(shared::random_state, test_support::state_after(8230, 23160));
    ASSERT_EQ(gl_double::calls.size(), 3u * 7u);
    ASSERT_EQ(gl_double::uploads.size(), 3u);
    const int sizes[3] = {256, 512, 64};
    const float wraps[3] = {GL_REPEAT, GL_REPEAT, 0x812F};  // the glow clamps to its edge
    const uint32_t names[3] = {assets::needle_texture, assets::ground_texture, assets::glow_texture};
    void (*const paint[3])(const assets::Canvas*) = {assets::paint_needle_texture, assets::paint_ground_texture,
                                                     assets::paint_glow_texture};
    shared::seed_random(8230);
    for (int t = 0; t < 3; ++t) {
        const gl_double::Call* u = &gl_double::calls[t * 7];
        const float size = static_cast<float>(sizes[t]);
        EXPECT_EQ(u[0].args[1], names[t]);
        EXPECT_EQ(u[2].args, (std::vector<float>{GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wraps[t]}));
        EXPECT_EQ(u[3].args, (std::vector<float>{GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wraps[t]}));
        EXPECT_TRUE(u[4].args[2] == GL_LINEAR && u[5].args[2] == GL_LINEAR_MIPMAP_LINEAR);
        EXPECT_EQ(u[6].args, (std::vector<float>{GL_TEXTURE_2D, GL_RGBA, size, size, GL_RGBA, GL_UNSIGNED_BYTE}));
        // the painted pixels go up as they are
        std::vector<uint8_t> painted(static_cast<size_t>(sizes[t]) * sizes[t] * 4);
        const assets::Canvas canvas = {sizes[t], sizes[t], painted.data()};
        paint[t](&canvas);
        EXPECT_TRUE(gl_double::uploads[t] == painted) << t;
    }
}

}  // namespace
