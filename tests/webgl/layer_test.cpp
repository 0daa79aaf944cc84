// The browser build's OpenGL 1.1 layer, natively: its primitive
// conversion, its matrix stacks, and the scene's own display lists built
// by the asset code (compiled against the layer) and called, with a
// recorder in place of WebGL.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "assets/assets.h"
#include "recording_backend.h"
#include "shared/gl.h"
#include "shared/random.h"
#include "webgl/backend.h"
#include "webgl/layer.h"

namespace {

using webgl::Vertex;

Vertex at(float x, float y) {
    Vertex v = {};
    v.position[0] = x;
    v.position[1] = y;
    return v;
}

// Twice the signed area of triangle t (positive: counter-clockwise in the
// xy plane).
float doubled_area(const std::vector<Vertex>& v, const std::vector<uint32_t>& index, size_t t) {
    const float* a = v[index[3 * t]].position;
    const float* b = v[index[3 * t + 1]].position;
    const float* c = v[index[3 * t + 2]].position;
    return (b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]);
}

// The triangles cover the shape once, each counter-clockwise.
void expect_covered(uint32_t mode, const std::vector<Vertex>& in, size_t triangles, float area) {
    std::vector<uint32_t> out;
    EXPECT_EQ(webgl::primitive_indices(mode, static_cast<int32_t>(in.size()), &out),
              static_cast<uint32_t>(GL_TRIANGLES));
    ASSERT_EQ(out.size(), 3 * triangles) << "mode " << mode;
    float total = 0.0f;
    for (size_t t = 0; t < triangles; ++t) {
        EXPECT_GT(doubled_area(in, out, t), 0.0f) << "mode " << mode << ", triangle " << t;
        total += doubled_area(in, out, t);
    }
    EXPECT_FLOAT_EQ(total / 2.0f, area) << "mode " << mode;
}

TEST(LayerPrimitives, QuadsStripsAndFansBecomeTrianglesOfTheSameAreaAndWinding) {
    // a strip of three unit quads, top vertex then bottom, as the ground
    // and the tree emit theirs; a ninth vertex completes nothing
    std::vector<Vertex> strip;
    for (int i = 0; i <= 3; ++i) {
        strip.push_back(at(static_cast<float>(i), 1.0f));
        strip.push_back(at(static_cast<float>(i), 0.0f));
    }
    strip.push_back(at(9.0f, 9.0f));
    expect_covered(GL_QUAD_STRIP, strip, 6, 3.0f);

    // two quads counter-clockwise and three vertices too many
    const std::vector<Vertex> quads = {at(0, 0), at(1, 0), at(1, 1), at(0, 1), at(2, 0), at(4, 0),
                                       at(4, 2), at(2, 2), at(7, 7), at(8, 8), at(9, 9)};
    expect_covered(GL_QUADS, quads, 4, 5.0f);

    // a fan around (0, 0): the square (1, 0) .. (0, 1) .. (-1, 0) .. (0, -1) and back
    const std::vector<Vertex> fan = {at(0, 0), at(1, 0), at(0, 1), at(-1, 0), at(0, -1), at(1, 0)};
    expect_covered(GL_TRIANGLE_FAN, fan, 4, 2.0f);

    const std::vector<Vertex> triangle_strip = {at(0, 0), at(1, 0), at(0, 1), at(1, 1), at(0, 2)};
    expect_covered(GL_TRIANGLE_STRIP, triangle_strip, 3, 1.5f);

    std::vector<uint32_t> points;
    EXPECT_EQ(webgl::primitive_indices(GL_POINTS, 6, &points), static_cast<uint32_t>(GL_POINTS));
    EXPECT_EQ(points.size(), 6u);
}

void expect_maps(const webgl::Matrix& m, std::vector<float> in, std::vector<float> expected) {
    float out[4];
    webgl::transform(m, in.data(), out);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(out[i], expected[i], 1e-5f) << "component " << i;
}

TEST(LayerMatrices, StacksComposeAsOpenGLAndKeepTheirOwnLevels) {
    webgl::start_layer(64, 64);
    using webgl::current;
    const webgl::State& s = webgl::state;

    // the last transform named applies first: rotate (1, 0, 0) to (0, 1, 0), then move it
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1.0f, 0.0f, 0.0f);
    glRotatef(90.0f, 0.0f, 0.0f, 1.0f);
    expect_maps(current(s.modelview), {1, 0, 0, 1}, {1, 1, 0, 1});

    glPushMatrix();
    glScalef(2.0f, 3.0f, 4.0f);
    expect_maps(current(s.modelview), {1, 0, 0, 1}, {1, 2, 0, 1});
    glPopMatrix();
    expect_maps(current(s.modelview), {1, 0, 0, 1}, {1, 1, 0, 1});

    // the projection has a stack of its own
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1.0, 1.0, -1.0, 1.0, 1.0, 3.0);
    expect_maps(current(s.projection), {0, 0, -1, 1}, {0, 0, -1, 1});
    expect_maps(current(s.projection), {0, 0, -3, 1}, {0, 0, 3, 3});
    expect_maps(current(s.modelview), {1, 0, 0, 1}, {1, 1, 0, 1});

    // pushes beyond the stack and pops below it are ignored
    glMatrixMode(GL_MODELVIEW);
    for (int i = 0; i < 40; ++i) glPushMatrix();
    EXPECT_EQ(s.modelview.top, webgl::matrix_stack_depth - 1);
    for (int i = 0; i < 40; ++i) glPopMatrix();
    EXPECT_EQ(s.modelview.top, 0);
    expect_maps(current(s.modelview), {1, 0, 0, 1}, {1, 1, 0, 1});

    // the attribute stack brings the switches back, not the matrices
    glEnable(GL_LIGHTING);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_LIGHTING);
    glTranslatef(0.0f, 5.0f, 0.0f);
    glPopAttrib();
    EXPECT_TRUE(s.switches & webgl::switch_lighting);
    expect_maps(current(s.modelview), {1, 0, 0, 1}, {-4, 1, 0, 1});
    glLoadIdentity();

    // normals go through the inverse transpose: a stretch along x tilts them towards y
    float n[9];
    webgl::normal_matrix(webgl::scaling(2.0f, 1.0f, 1.0f), n);
    EXPECT_FLOAT_EQ(n[0], 0.5f);
    EXPECT_FLOAT_EQ(n[4], 1.0f);

    // a light's position is taken through the model-view matrix of its call
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -5.0f);
    const GLfloat origin[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glLightfv(GL_LIGHT1, GL_POSITION, origin);
    glLoadIdentity();
    EXPECT_FLOAT_EQ(s.lights[1].position[2], -5.0f);
}

bool all_near(const float* v, std::vector<float> expected) {
    for (size_t i = 0; i < expected.size(); ++i) {
        if (std::fabs(v[i] - expected[i]) > 1e-6f) return false;
    }
    return true;
}

TEST(LayerDisplayLists, TheSceneListsReplayTheirStateAndTakeTheCallersColour) {
    webgl::start_layer(64, 64);
    recording_backend::reset();
    shared::seed_random(8230);
    assets::build_textures();
    assets::build_display_lists();
    // compiling draws nothing; every texture gets its levels down to 1 x 1
    EXPECT_TRUE(recording_backend::draws.empty());
    ASSERT_GT(recording_backend::texture_levels.size(), assets::ground_texture);
    EXPECT_EQ(recording_backend::texture_levels[assets::ground_texture].size(), 10u);
    EXPECT_EQ(recording_backend::texture_levels[assets::glow_texture].back(), std::make_pair(1, 1));

    // the ground: its normal is given once before 96 strips of 96 quads,
    // its texture and material are set inside the list
    glCallList(assets::ground_list);
    const auto& draws = recording_backend::draws;
    ASSERT_EQ(draws.size(), 96u);
    for (const auto& d : draws) {
        ASSERT_EQ(d.vertices.size(), 96u * 6u);
        EXPECT_EQ(d.inherit & webgl::inherit_normal, 0);
        EXPECT_TRUE(d.state.switches & webgl::switch_texture);
        EXPECT_EQ(d.state.texture, assets::ground_texture);
        EXPECT_TRUE(all_near(d.state.material.diffuse, {0.8f, 0.78f, 0.88f, 1.0f}));
        for (const Vertex& v : d.vertices) {
            ASSERT_TRUE(all_near(v.normal, {0.0f, 1.0f, 0.0f}));
            ASSERT_LE(std::fabs(v.position[0]), 70.0f) << "vertices are kept in the list's own space";
        }
    }
    EXPECT_FALSE(webgl::state.switches & webgl::switch_texture);
    EXPECT_TRUE(all_near(webgl::state.normal, {0.0f, 1.0f, 0.0f}));

    // the bulb sets no colour: each call draws in the caller's
    for (float red : {0.25f, 1.0f}) {
        recording_backend::reset();
        glColor3f(red, 0.5f, 0.0f);
        glCallList(assets::bulb_list);
        ASSERT_EQ(draws.size(), 6u);
        for (const auto& d : draws) {
            EXPECT_TRUE(d.inherit & webgl::inherit_colour);
            for (const Vertex& v : d.vertices) {
                ASSERT_TRUE(all_near(v.colour, {red, 0.5f, 0.0f, 1.0f}));
                ASSERT_NEAR(std::sqrt(v.normal[0] * v.normal[0] + v.normal[1] * v.normal[1] + v.normal[2] * v.normal[2]),
                            1.0f, 1e-5f);
            }
        }
    }

    // the presents move themselves within the caller's transform and leave
    // it as it was, with the last ribbon's material current
    recording_backend::reset();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(100.0f, 0.0f, 0.0f);
    glCallList(assets::presents_list);
    ASSERT_FALSE(draws.empty());
    for (const auto& d : draws) {
        const float x = webgl::current(d.state.modelview).m[12];
        EXPECT_GT(x, 97.0f);
        EXPECT_LT(x, 103.0f);
    }
    EXPECT_EQ(webgl::state.modelview.top, 0);
    EXPECT_FLOAT_EQ(webgl::current(webgl::state.modelview).m[12], 100.0f);
    EXPECT_TRUE(all_near(webgl::state.material.diffuse, {0x2A / 255.0f, 0x6F / 255.0f, 0xDB / 255.0f, 1.0f}));
}

}  // namespace
