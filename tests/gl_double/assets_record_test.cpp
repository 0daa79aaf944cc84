// The solid primitives, the display lists and the texture uploads, recorded
// through the GL test double: where the surfaces lie, which way they face
// and how they are textured. The tessellation itself is left free.
#include <gtest/gtest.h>

#include <cmath>

#include "../test_support.h"
#include "assets/assets.h"
#include "assets/shapes.h"
#include "assets/textures.h"
#include "gl_double.h"
#include "shared/gl.h"
#include "shared/random.h"
#include "shared/tiers.h"

namespace {

using gl_double::named;
using gl_double::Primitive;
using gl_double::Vertex;

std::vector<Primitive> record(void (*emit)()) {
    gl_double::reset();
    emit();
    return gl_double::primitives(gl_double::calls);
}

std::vector<Primitive> list(uint32_t name) { return gl_double::primitives(gl_double::list_contents(name)); }

float length(float x, float y, float z) { return std::sqrt(x * x + y * y + z * z); }
bool unit_normal(const Vertex& v) { return std::fabs(length(v.nx, v.ny, v.nz) - 1.0f) < 1e-5f; }

TEST(Shapes, SurfacesWhereAskedWithUnitOutwardNormals) {
    // the trunk: 0.38 wide at the foot, 0.3 at the top, 1.2 high, capped
    const auto trunk = record([] { assets::frustum(0.38f, 0.3f, 1.2f, 16); });
    for (const Primitive& p : trunk)
        for (const Vertex& v : p.vertices) {
            const float r = std::hypot(v.x, v.z);
            EXPECT_TRUE(unit_normal(v) && (v.y == 0.0f || v.y == 1.2f));
            if (p.mode == GL_QUAD_STRIP) {
                EXPECT_NEAR(r, v.y == 0.0f ? 0.38f : 0.3f, 1e-6f);
                EXPECT_GT(v.nx * v.x + v.nz * v.z, 0.0f);
            } else {
                EXPECT_TRUE(v.ny == 1.0f && v.y == 1.2f && r <= 0.3f + 1e-6f);
            }
        }
    // every box face on its plane, its normal out of it
    const auto box = record([] { assets::box(1.0f, 0.6f, 0.4f); });
    ASSERT_EQ(box.size(), 1u);
    for (const Vertex& v : box[0].vertices) {
        const float plane = std::fabs(0.5f * v.nx) + std::fabs(0.3f * v.ny) + std::fabs(0.2f * v.nz);
        EXPECT_TRUE(unit_normal(v) && v.x * v.nx + v.y * v.ny + v.z * v.nz == plane);
        EXPECT_TRUE(std::fabs(v.x) == 0.5f && std::fabs(v.y) == 0.3f && std::fabs(v.z) == 0.2f);
    }
    // the unit sphere from pole to pole, its normal its position
    float lowest = 0.0f, highest = 0.0f;
    for (const Primitive& p : record([] { assets::sphere(28, 18); }))
        for (const Vertex& v : p.vertices) {
            ASSERT_TRUE(v.x == v.nx && v.y == v.ny && v.z == v.nz && unit_normal(v));
            lowest = std::fmin(lowest, v.y);
            highest = std::fmax(highest, v.y);
        }
    EXPECT_TRUE(lowest == -1.0f && highest == 1.0f);
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

TEST_F(Lists, GroundAndTreeTexturedWhereTheSceneStands) {
    const auto ground = gl_double::list_contents(assets::ground_list);
    EXPECT_EQ(named(ground, "glBindTexture").at(0).args[1], 41.0f);
    float low = 0.0f, high = 0.0f;
    for (const Primitive& p : gl_double::primitives(ground))
        for (const Vertex& v : p.vertices) {
            ASSERT_TRUE(v.y == 0.0f && v.ny == 1.0f && std::fabs(v.s * 140.0f / 30.0f - v.x) < 1e-4f &&
                        std::fabs(v.t * 140.0f / 30.0f - v.z) < 1e-4f);  // 30 repeats across
            low = std::fmin(low, std::fmin(v.x, v.z));
            high = std::fmax(high, std::fmax(v.x, v.z));
        }
    EXPECT_NEAR(low, -70.0f, 1e-4f);
    EXPECT_NEAR(high, 70.0f, 1e-4f);

    // each tier's cone from its base to its apex, the needles wrapping 5
    // times around and twice up; then the untextured trunk
    const auto tree = gl_double::list_contents(assets::tree_list);
    EXPECT_EQ(named(tree, "glBindTexture").at(0).args[1], 42.0f);
    const auto prims = gl_double::primitives(tree);
    for (int tier = 0; tier < shared::tier_count; ++tier) {
        const shared::Tier& t = shared::tier_table[tier];
        float top = 0.0f, bottom = 100.0f, widest = 0.0f, s = 0.0f, tex_top = 0.0f;
        for (const Primitive& p : prims)
            for (const Vertex& v : p.vertices) {
                if (p.mode != GL_QUAD_STRIP || std::fabs(v.y - t.base_height - t.height * v.t / 2.0f) > 1e-5f) continue;
                const float r = std::hypot(v.x, v.z);
                EXPECT_NEAR(r, t.base_radius * (1.0f - v.t / 2.0f), 1e-5f);
                EXPECT_TRUE(unit_normal(v) && v.nx * v.x + v.nz * v.z >= 0.0f && v.ny > 0.0f);
                top = std::fmax(top, v.y), bottom = std::fmin(bottom, v.y), widest = std::fmax(widest, r);
                s = std::fmax(s, v.s), tex_top = std::fmax(tex_top, v.t);
            }
        EXPECT_NEAR(top, t.base_height + t.height, 1e-5f) << tier;
        EXPECT_NEAR(widest, t.base_radius, 1e-5f) << tier;
        EXPECT_TRUE(bottom == t.base_height && s == 5.0f && tex_top == 2.0f) << tier;
    }
    // texturing ends before the trunk, the last strip
    size_t disabled = 0, last_strip = 0;
    for (size_t i = 0; i < tree.size(); ++i) {
        if (tree[i].name == "glDisable") disabled = i;
        if (tree[i].name == "glBegin" && tree[i].args[0] == GL_QUAD_STRIP) last_strip = i;
    }
    EXPECT_TRUE(disabled > 0 && disabled < last_strip);
}

TEST_F(Lists, PresentsFaceAwayStarOutlineAndCallerMaterials) {
    // each present's own +z, turned by its yaw, points away from the tree
    const auto presents = gl_double::list_contents(assets::presents_list);
    int checked = 0;
    for (size_t i = 0; i + 1 < presents.size(); ++i) {
        const std::vector<float>& at = presents[i].args;  // a present's place on the ground, then its yaw
        if (presents[i].name != "glTranslatef" || at[1] != 0.0f || at[0] == 0.0f) continue;
        ASSERT_EQ(presents[i + 1].name, "glRotatef");
        const float yaw = presents[i + 1].args[0] / 57.29578f;
        EXPECT_GT(std::sin(yaw) * at[0] + std::cos(yaw) * at[2], 0.0f) << i;
        ++checked;
    }
    EXPECT_EQ(checked, 7);

    // the star: tips 0.45 and notches 0.19 from its centre, 0.12 thick, its
    // faces and rim facing out
    const auto star = list(assets::star_list);
    for (const Primitive& p : star)
        for (size_t k = 0; k < p.vertices.size(); ++k) {
            const Vertex& v = p.vertices[k];
            const float r = std::hypot(v.x, v.y);
            EXPECT_TRUE(unit_normal(v) && std::fabs(v.z) == 0.06f);
            if (p.mode == GL_TRIANGLE_FAN) {
                EXPECT_EQ(v.nz * v.z, 0.06f);
                EXPECT_TRUE(k == 0 || std::fabs(r - 0.45f) < 1e-6f || std::fabs(r - 0.19f) < 1e-6f) << k;
            } else {
                EXPECT_GT(v.nx * v.x + v.ny * v.y, 0.0f);
            }
        }
    EXPECT_NEAR(star.at(1).vertices.at(1).y, 0.45f, 1e-6f);  // tip up

    // the ball and the bulb take the caller's material
    EXPECT_TRUE(named(gl_double::list_contents(assets::ornament_ball_list), "glMaterialfv").empty());
    EXPECT_TRUE(named(gl_double::list_contents(assets::bulb_list), "glMaterialfv").empty());
}

TEST(TextureUpload, PaintedPixelsMipmappedTheGlowClampedToItsEdge) {
    shared::seed_random(8230);
    gl_double::reset();
    assets::build_textures();
    EXPECT_EQ(shared::random_state, test_support::state_after(8230, 23160));
    ASSERT_EQ(gl_double::uploads.size(), 3u);
    const auto binds = named(gl_double::calls, "glBindTexture");
    const auto parameters = named(gl_double::calls, "glTexParameteri");
    ASSERT_EQ(parameters.size(), 3u * 4u);
    const uint32_t names[3] = {assets::needle_texture, assets::ground_texture, assets::glow_texture};
    const float wraps[3] = {GL_REPEAT, GL_REPEAT, 0x812F};  // GL_CLAMP_TO_EDGE
    const int sizes[3] = {256, 512, 64};
    void (*const paint[3])(const assets::Canvas*) = {assets::paint_needle_texture, assets::paint_ground_texture,
                                                     assets::paint_glow_texture};
    shared::seed_random(8230);
    for (int t = 0; t < 3; ++t) {
        EXPECT_EQ(binds.at(t).args[1], names[t]);
        for (int p = 0; p < 4; ++p) {
            const std::vector<float>& a = parameters[t * 4 + p].args;
            const float want = a[1] == GL_TEXTURE_MIN_FILTER   ? GL_LINEAR_MIPMAP_LINEAR
                               : a[1] == GL_TEXTURE_MAG_FILTER ? GL_LINEAR
                                                               : wraps[t];
            EXPECT_EQ(a[2], want) << t << " " << p;
        }
        std::vector<uint8_t> painted(static_cast<size_t>(sizes[t]) * sizes[t] * 4);
        const assets::Canvas canvas = {sizes[t], sizes[t], painted.data()};
        paint[t](&canvas);
        EXPECT_TRUE(gl_double::uploads[t] == painted) << t;
    }
}

}  // namespace
