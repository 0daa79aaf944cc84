// The solid primitives and the display lists, recorded through the GL test
// double: vertex counts, order and key values of every model.
#include <gtest/gtest.h>

#include <cmath>

#include "assets/assets.h"
#include "assets/shapes.h"
#include "assets/textures.h"
#include "gl_double.h"
#include "host/random.h"
#include "render/gl.h"

namespace {

using gl_double::Primitive;
using gl_double::Vertex;

std::vector<Primitive> record(void (*emit)()) {
    gl_double::reset();
    emit();
    return gl_double::primitives(gl_double::calls);
}

float length(float x, float y, float z) { return std::sqrt(x * x + y * y + z * z); }

TEST(Frustum, TrunkSideAndCap) {
    const auto prims = record([] { assets::frustum(0.38f, 0.3f, 1.2f, 16); });
    ASSERT_EQ(prims.size(), 2u);
    EXPECT_EQ(prims[0].mode, static_cast<uint32_t>(GL_QUAD_STRIP));
    EXPECT_EQ(prims[1].mode, static_cast<uint32_t>(GL_TRIANGLE_FAN));
    ASSERT_EQ(prims[0].vertices.size(), 34u);
    ASSERT_EQ(prims[1].vertices.size(), 18u);
    const auto& side = prims[0].vertices;
    // top first, then bottom, starting on +x
    EXPECT_EQ(side[0].x, 0.3f);
    EXPECT_EQ(side[0].y, 1.2f);
    EXPECT_EQ(side[0].z, 0.0f);
    EXPECT_EQ(side[1].x, 0.38f);
    EXPECT_EQ(side[1].y, 0.0f);
    for (const Vertex& v : side) {
        // the slope 0.08 / 1.2 = 0.0667, normalised with the unit circle
        EXPECT_NEAR(v.ny, 0.0666667 / std::sqrt(1.0 + 0.0666667 * 0.0666667), 1e-6);
        EXPECT_NEAR(length(v.nx, v.ny, v.nz), 1.0f, 1e-6);
    }
    // the last step recomputes 2 pi: the seam closes up to the last bits
    EXPECT_NEAR(side[32].x, side[0].x, 1e-6);
    EXPECT_NEAR(side[32].z, 0.0f, 1e-6);
    EXPECT_NE(side[32].z, side[0].z);
    const auto& cap = prims[1].vertices;
    EXPECT_EQ(cap[0].x, 0.0f);
    EXPECT_EQ(cap[0].y, 1.2f);
    EXPECT_EQ(cap[0].z, 0.0f);
    EXPECT_EQ(cap[0].ny, 1.0f);
    // descending angles: counter-clockwise seen from above (+y)
    EXPECT_NEAR(cap[1].x, 0.3f, 1e-6);
    EXPECT_LT(cap[2].z, 0.0f);
    EXPECT_NEAR(cap[5].z, -0.3f, 1e-6);  // i = 12, three quarters round
    EXPECT_EQ(cap[17].x, 0.3f);
    EXPECT_EQ(cap[17].z, 0.0f);
}

TEST(Frustum, EqualRadiiMakeAHorizontallyLitCylinder) {
    const auto prims = record([] { assets::frustum(0.28f, 0.28f, 0.3f, 10); });
    ASSERT_EQ(prims.size(), 2u);
    EXPECT_EQ(prims[0].vertices.size(), 22u);
    EXPECT_EQ(prims[1].vertices.size(), 12u);
    for (const Vertex& v : prims[0].vertices) EXPECT_EQ(v.ny, 0.0f);
}

TEST(Box, SixOutwardFacesCounterClockwise) {
    const auto prims = record([] { assets::box(1.0f, 0.6f, 0.4f); });
    ASSERT_EQ(prims.size(), 1u);
    EXPECT_EQ(prims[0].mode, static_cast<uint32_t>(GL_QUADS));
    const auto& v = prims[0].vertices;
    ASSERT_EQ(v.size(), 24u);
    EXPECT_EQ(gl_double::named(gl_double::calls, "glNormal3f").size(), 6u);
    const float expected_normals[6][3] = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    const float half[3] = {0.5f, 0.3f, 0.2f};
    for (int f = 0; f < 6; ++f) {
        const Vertex& a = v[f * 4];
        EXPECT_EQ(a.nx, expected_normals[f][0]);
        EXPECT_EQ(a.ny, expected_normals[f][1]);
        EXPECT_EQ(a.nz, expected_normals[f][2]);
        for (int k = 0; k < 4; ++k) {
            const Vertex& p = v[f * 4 + k];
            const float d = p.x * p.nx + p.y * p.ny + p.z * p.nz;
            EXPECT_EQ(d, std::fabs(half[0] * p.nx + half[1] * p.ny + half[2] * p.nz)) << f;
        }
        const Vertex& b = v[f * 4 + 1];
        const Vertex& c = v[f * 4 + 2];
        const float e1[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
        const float e2[3] = {c.x - b.x, c.y - b.y, c.z - b.z};
        const float cross[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                                e1[0] * e2[1] - e1[1] * e2[0]};
        EXPECT_GT(cross[0] * a.nx + cross[1] * a.ny + cross[2] * a.nz, 0.0f) << f;
    }
}

TEST(Sphere, BandsFromTheSouthPoleWithTinyPoleRings) {
    const auto prims = record([] { assets::sphere(28, 18); });
    ASSERT_EQ(prims.size(), 18u);
    for (const Primitive& p : prims) {
        EXPECT_EQ(p.mode, static_cast<uint32_t>(GL_QUAD_STRIP));
        ASSERT_EQ(p.vertices.size(), 58u);
        for (const Vertex& v : p.vertices) {
            EXPECT_EQ(v.x, v.nx);
            EXPECT_EQ(v.y, v.ny);
            EXPECT_EQ(v.z, v.nz);
            EXPECT_NEAR(length(v.x, v.y, v.z), 1.0f, 1e-6);
        }
    }
    // upper point first, then lower
    EXPECT_EQ(prims[0].vertices[1].y, -1.0f);
    EXPECT_GT(prims[0].vertices[0].y, -1.0f);
    EXPECT_EQ(prims[17].vertices[0].y, 1.0f);
    const Vertex& pole = prims[0].vertices[1];
    const float ring = std::sqrt(pole.x * pole.x + pole.z * pole.z);
    EXPECT_GT(ring, 0.0f);
    EXPECT_LT(ring, 1e-7f);
    const auto bulb = record([] { assets::sphere(8, 6); });
    ASSERT_EQ(bulb.size(), 6u);
    for (const Primitive& p : bulb) EXPECT_EQ(p.vertices.size(), 18u);
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
    const auto gens = gl_double::named(gl_double::calls, "glGenLists");
    ASSERT_EQ(gens.size(), 7u);
    const uint32_t names[7] = {assets::ground_list,        assets::tree_list, assets::presents_list,
                               assets::ornament_ball_list, assets::ornament_cap_list, assets::bulb_list,
                               assets::star_list};
    const auto news = gl_double::named(gl_double::calls, "glNewList");
    ASSERT_EQ(news.size(), 7u);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(gens[i].args[0], 1.0f);
        EXPECT_EQ(static_cast<uint32_t>(gens[i].args[1]), names[i]);
        EXPECT_EQ(static_cast<uint32_t>(news[i].args[0]), names[i]);
        EXPECT_EQ(news[i].args[1], static_cast<float>(GL_COMPILE));
    }
    EXPECT_EQ(gl_double::named(gl_double::calls, "glEndList").size(), 7u);
    EXPECT_EQ(gl_double::calls.front().name, "glGenLists");
}

TEST_F(Lists, GroundIs96StripsOf194VerticesToTheFarEdge) {
    const auto contents = gl_double::list_contents(assets::ground_list);
    ASSERT_GE(contents.size(), 8u);
    EXPECT_EQ(contents[0].name, "glEnable");
    EXPECT_EQ(contents[0].args[0], static_cast<float>(GL_TEXTURE_2D));
    EXPECT_EQ(contents[1].name, "glBindTexture");
    EXPECT_EQ(contents[1].args[1], 41.0f);
    EXPECT_EQ(contents[2].name, "glMaterialfv");
    EXPECT_EQ(contents[2].args[1], static_cast<float>(GL_AMBIENT_AND_DIFFUSE));
    EXPECT_EQ(contents[2].args[2], 0.8f);
    EXPECT_EQ(contents[2].args[3], 0.78f);
    EXPECT_EQ(contents[2].args[4], 0.88f);
    EXPECT_EQ(contents[5].name, "glMaterialfv");
    EXPECT_EQ(contents[5].args[1], static_cast<float>(GL_EMISSION));
    EXPECT_EQ(contents.back().name, "glDisable");
    const auto prims = gl_double::primitives(contents);
    ASSERT_EQ(prims.size(), 96u);
    for (const Primitive& p : prims) {
        ASSERT_EQ(p.vertices.size(), 194u);
        for (const Vertex& v : p.vertices) {
            ASSERT_EQ(v.y, 0.0f);
            ASSERT_EQ(v.ny, 1.0f);
            ASSERT_EQ(v.s, v.x / 4.6666665f);
            ASSERT_EQ(v.t, v.z / 4.6666665f);
        }
    }
    EXPECT_EQ(prims[0].vertices[1].x, -70.0f);
    EXPECT_EQ(prims[0].vertices[1].z, -70.0f);
    EXPECT_EQ(prims[95].vertices[192].x, 70.0f);
    EXPECT_EQ(prims[95].vertices[192].z, 70.0000076f);
    // 30 repeats across the square
    EXPECT_NEAR(prims[95].vertices[192].s - prims[0].vertices[0].s, 30.0f, 1e-4);
}

TEST_F(Lists, TreeTiersTextureAndTrunk) {
    const auto contents = gl_double::list_contents(assets::tree_list);
    EXPECT_EQ(contents[1].name, "glBindTexture");
    EXPECT_EQ(contents[1].args[1], 42.0f);
    const auto prims = gl_double::primitives(contents);
    ASSERT_EQ(prims.size(), 5u * 9u + 2u);
    const float apex[5] = {3.35f, 4.25f, 5.05f, 5.75f, 6.35f};
    const float base[5] = {1.05f, 2.25f, 3.3f, 4.25f, 5.1f};
    const float radius[5] = {2.5f, 2.05f, 1.62f, 1.2f, 0.78f};
    for (int tier = 0; tier < 5; ++tier) {
        for (int band = 0; band < 8; ++band) {
            const Primitive& p = prims[tier * 9 + band];
            ASSERT_EQ(p.vertices.size(), 82u);
            EXPECT_EQ(p.vertices[0].s, 0.0f);
            EXPECT_EQ(p.vertices[80].s, 5.0f);
            EXPECT_EQ(p.vertices[0].t, 0.25f * (band + 1));
            EXPECT_EQ(p.vertices[1].t, 0.25f * band);
            for (const Vertex& v : p.vertices) EXPECT_NEAR(length(v.nx, v.ny, v.nz), 1.0f, 1e-6);
        }
        const Vertex& bottom = prims[tier * 9].vertices[1];
        EXPECT_EQ(bottom.y, base[tier]);
        EXPECT_EQ(bottom.x, radius[tier]);
        const Vertex& top = prims[tier * 9 + 7].vertices[0];
        EXPECT_NEAR(top.y, apex[tier], 1e-6);
        EXPECT_EQ(top.x, 0.0f);
        const Primitive& disc = prims[tier * 9 + 8];
        EXPECT_EQ(disc.mode, static_cast<uint32_t>(GL_TRIANGLE_FAN));
        ASSERT_EQ(disc.vertices.size(), 42u);
        EXPECT_EQ(disc.vertices[0].ny, -1.0f);
        EXPECT_EQ(disc.vertices[0].s, 0.5f);
        EXPECT_EQ(disc.vertices[21].s, -1.0f);  // half way round: cos = -1
        EXPECT_EQ(disc.vertices[21].y, base[tier]);
    }
    // texturing ends before the trunk's own material and frustum
    const auto disables = gl_double::named(contents, "glDisable");
    ASSERT_EQ(disables.size(), 1u);
    const auto materials = gl_double::named(contents, "glMaterialfv");
    ASSERT_EQ(materials.size(), 6u);
    EXPECT_EQ(materials[3].args[2], 90.0f / 255.0f);
    EXPECT_EQ(prims[45].vertices.size(), 34u);
    EXPECT_EQ(prims[45].vertices[1].x, 0.38f);
    EXPECT_EQ(prims[46].vertices.size(), 18u);
}

TEST_F(Lists, PresentsStandTurnedAwayFromTheTree) {
    const auto contents = gl_double::list_contents(assets::presents_list);
    const auto rotations = gl_double::named(contents, "glRotatef");
    ASSERT_EQ(rotations.size(), 7u * 5u);
    // present 1: atan2(-1.75, 1.35) - 0.25 = -1.164 rad = -66.7 degrees
    EXPECT_NEAR(rotations[5].args[0], -66.7f, 0.05f);
    EXPECT_EQ(rotations[5].args[2], 1.0f);
    EXPECT_EQ(rotations[6].args[0], 90.0f);
    EXPECT_EQ(rotations[7].args[0], -34.0f);
    EXPECT_EQ(rotations[9].args[0], 34.0f);
    EXPECT_EQ(gl_double::named(contents, "glPushMatrix").size(), 21u);
    EXPECT_EQ(gl_double::named(contents, "glPopMatrix").size(), 21u);
    const auto prims = gl_double::primitives(contents);
    ASSERT_EQ(prims.size(), 7u * (3u + 32u));
    EXPECT_EQ(prims[3].vertices.size(), 18u);
    // the last material is the ribbon of present 6, 0x2A6FDB
    const auto materials = gl_double::named(contents, "glMaterialfv");
    const auto& last = materials[materials.size() - 3];
    EXPECT_EQ(last.args[2], 0x2A / 255.0f);
    EXPECT_EQ(last.args[3], 0x6F / 255.0f);
    EXPECT_EQ(last.args[4], 0xDB / 255.0f);
}

TEST_F(Lists, BallCapAndBulb) {
    const auto ball = gl_double::list_contents(assets::ornament_ball_list);
    EXPECT_TRUE(gl_double::named(ball, "glMaterialfv").empty());
    EXPECT_EQ(gl_double::primitives(ball).size(), 18u);
    const auto bulb = gl_double::primitives(gl_double::list_contents(assets::bulb_list));
    EXPECT_EQ(bulb.size(), 6u);
    const auto cap = gl_double::list_contents(assets::ornament_cap_list);
    ASSERT_EQ(cap[0].name, "glMaterialfv");
    EXPECT_EQ(cap[0].args[2], 216.0f / 255.0f);
    EXPECT_EQ(cap[2].args[2], 90.0f);
    const auto translate = gl_double::named(cap, "glTranslatef");
    ASSERT_EQ(translate.size(), 1u);
    EXPECT_EQ(translate[0].args[1], 0.9f);
    const auto prims = gl_double::primitives(cap);
    ASSERT_EQ(prims.size(), 2u);
    EXPECT_EQ(prims[0].vertices.size(), 22u);
}

TEST_F(Lists, StarOutlineFacesAndRim) {
    const auto contents = gl_double::list_contents(assets::star_list);
    EXPECT_TRUE(gl_double::named(contents, "glMaterialfv").empty());
    const auto prims = gl_double::primitives(contents);
    ASSERT_EQ(prims.size(), 3u);
    const float px[10] = {-0.0000000197f, -0.111679226f, -0.427975446f, -0.180700719f, -0.26450327f,
                          0.0000000023f,  0.264503449f,  0.180700734f,  0.427975386f,  0.111679181f};
    const float py[10] = {0.45f, 0.153713211f, 0.139057547f, -0.0587132685f, -0.36405769f,
                          -0.19f, -0.364057571f, -0.0587132201f, 0.139057770f, 0.153713241f};
    const Primitive& front = prims[1];
    ASSERT_EQ(front.vertices.size(), 12u);
    EXPECT_EQ(front.vertices[0].z, 0.06f);
    EXPECT_EQ(front.vertices[0].nz, 1.0f);
    for (int k = 0; k <= 10; ++k) {
        const Vertex& v = front.vertices[k + 1];
        EXPECT_NEAR(v.x, px[k % 10], 1e-9) << k;
        EXPECT_NEAR(v.y, py[k % 10], 1e-9) << k;
        if (k % 10 != 0 && k % 10 != 5) {
            EXPECT_EQ(v.x, px[k % 10]) << k;
            EXPECT_EQ(v.y, py[k % 10]) << k;
        }
    }
    const Primitive& back = prims[0];
    ASSERT_EQ(back.vertices.size(), 12u);
    EXPECT_EQ(back.vertices[0].z, -0.06f);
    EXPECT_EQ(back.vertices[0].nz, -1.0f);
    EXPECT_EQ(back.vertices[2].x, front.vertices[10].x);  // p9 right after p0
    EXPECT_EQ(back.vertices[10].x, front.vertices[2].x);  // p1 last before p0
    const Primitive& rim = prims[2];
    EXPECT_EQ(rim.mode, static_cast<uint32_t>(GL_QUADS));
    ASSERT_EQ(rim.vertices.size(), 40u);
    const Vertex& closing = rim.vertices[36];
    EXPECT_NEAR(closing.nx, 0.935734272f, 1e-7);
    EXPECT_NEAR(closing.ny, 0.352705806f, 1e-7);
    EXPECT_EQ(closing.nz, 0.0f);
    EXPECT_EQ(closing.x, front.vertices[10].x);
    EXPECT_EQ(closing.z, 0.06f);
    EXPECT_EQ(rim.vertices[37].z, -0.06f);
    EXPECT_EQ(rim.vertices[38].x, front.vertices[1].x);
    // every rim normal points away from the centre
    for (int e = 0; e < 10; ++e) {
        const Vertex& a = rim.vertices[e * 4];
        EXPECT_GT(a.nx * a.x + a.ny * a.y, 0.0f) << e;
    }
}

TEST(TextureUpload, InOrderWithFullMipmapsAnd23160Draws) {
    host::seed_random(8230);
    for (int i = 0; i < 23160; ++i) host::random_word();
    const uint32_t expected = host::random_state;
    host::seed_random(8230);
    gl_double::reset();
    assets::build_textures();
    EXPECT_EQ(host::random_state, expected);
    const auto& c = gl_double::calls;
    ASSERT_EQ(c.size(), 3u * 7u);
    const int sizes[3] = {256, 512, 64};
    const float wraps[3] = {GL_REPEAT, GL_REPEAT, 0x812F};
    const uint32_t names[3] = {assets::needle_texture, assets::ground_texture, assets::glow_texture};
    for (int t = 0; t < 3; ++t) {
        const gl_double::Call* u = &c[t * 7];
        EXPECT_EQ(u[0].name, "glGenTextures");
        EXPECT_EQ(static_cast<uint32_t>(u[0].args[1]), names[t]);
        EXPECT_EQ(u[1].name, "glBindTexture");
        EXPECT_EQ(u[2].args[1], static_cast<float>(GL_TEXTURE_WRAP_S));
        EXPECT_EQ(u[2].args[2], wraps[t]);
        EXPECT_EQ(u[3].args[1], static_cast<float>(GL_TEXTURE_WRAP_T));
        EXPECT_EQ(u[3].args[2], wraps[t]);
        EXPECT_EQ(u[4].args[1], static_cast<float>(GL_TEXTURE_MAG_FILTER));
        EXPECT_EQ(u[4].args[2], static_cast<float>(GL_LINEAR));
        EXPECT_EQ(u[5].args[1], static_cast<float>(GL_TEXTURE_MIN_FILTER));
        EXPECT_EQ(u[5].args[2], static_cast<float>(GL_LINEAR_MIPMAP_LINEAR));
        EXPECT_EQ(u[6].name, "gluBuild2DMipmaps");
        EXPECT_EQ(u[6].args[1], static_cast<float>(GL_RGBA));
        EXPECT_EQ(u[6].args[2], static_cast<float>(sizes[t]));
        EXPECT_EQ(u[6].args[3], static_cast<float>(sizes[t]));
    }
    // the painted pixels go up as they are
    ASSERT_EQ(gl_double::uploads.size(), 3u);
    std::vector<uint8_t> needle(256 * 256 * 4), ground(512 * 512 * 4), glow(64 * 64 * 4);
    const assets::Canvas canvases[3] = {{256, 256, needle.data()}, {512, 512, ground.data()}, {64, 64, glow.data()}};
    host::seed_random(8230);
    assets::paint_needle_texture(&canvases[0]);
    assets::paint_ground_texture(&canvases[1]);
    assets::paint_glow_texture(&canvases[2]);
    EXPECT_TRUE(gl_double::uploads[0] == needle);
    EXPECT_TRUE(gl_double::uploads[1] == ground);
    EXPECT_TRUE(gl_double::uploads[2] == glow);
}

}  // namespace
