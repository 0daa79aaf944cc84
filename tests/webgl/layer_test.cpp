// The browser build's OpenGL 1.1 layer, natively: its primitive
// conversion, its matrix stacks, and the scene's own display lists built
// by the asset code (compiled against the layer) and called, with the
// recording backend in place of WebGL (it carries each vertex drawn to eye
// space by its draw's record, as the vertex shader does).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "assets/assets.h"
#include "shared/gl.h"
#include "shared/random.h"
#include "webgl/backend_recording.h"
#include "webgl/batch.h"
#include "webgl/layer.h"
#include "webgl/lists.h"
#include "webgl/state.h"
#include "webgl/textures.h"

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

// A fresh layer whose projection sees everything within 1000 units.
void start_wide() {
    webgl::start_layer(64, 64);
    glMatrixMode(GL_PROJECTION);
    glOrtho(-1000.0, 1000.0, -1000.0, 1000.0, -1000.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    recording_backend::reset();
}

// The batches drawn since the last look, the open one drawn first.
const std::vector<recording_backend::Draw>& drawn() {
    webgl::flush_draws();
    return recording_backend::draws;
}

TEST(LayerDisplayLists, TheSceneListsReplayTheirStateAndTakeTheCallersColour) {
    start_wide();
    shared::seed_random(8230);
    assets::build_textures();
    assets::build_display_lists();
    // compiling draws nothing; every texture gets its levels down to 1 x 1
    EXPECT_TRUE(drawn().empty());
    EXPECT_EQ(webgl::textures[assets::ground_texture].levels.size(), 10u);
    const webgl::MipLevel& last = webgl::textures[assets::glow_texture].levels.back();
    EXPECT_EQ(std::make_pair(last.width, last.height), std::make_pair(1, 1));

    // the ground: its normal is given once before 96 strips of 96 quads,
    // its texture and material are set inside the list: one draw
    glCallList(assets::ground_list);
    const auto& draws = drawn();
    ASSERT_EQ(draws.size(), 1u);
    const auto& ground = draws[0];
    ASSERT_EQ(ground.vertices.size(), 96u * 96u * 6u);
    EXPECT_TRUE(ground.state.switches & webgl::switch_texture);
    EXPECT_EQ(ground.state.texture, assets::ground_texture);
    EXPECT_EQ(ground.vertex_records[0].material[0], 0.0f) << "unlit, the material is left out";
    for (const Vertex& v : ground.vertices) {
        ASSERT_TRUE(all_near(v.normal, {0.0f, 1.0f, 0.0f}));
        ASSERT_LE(std::fabs(v.position[0]), 70.0f);
    }
    EXPECT_FALSE(webgl::state.switches & webgl::switch_texture);
    EXPECT_TRUE(all_near(webgl::state.material.diffuse, {0.8f, 0.78f, 0.88f, 1.0f}));
    EXPECT_TRUE(all_near(webgl::state.normal, {0.0f, 1.0f, 0.0f}));

    // the bulb sets no colour: each call draws in the caller's, and the
    // two calls, their state alike, are one draw
    recording_backend::reset();
    for (float red : {0.25f, 1.0f}) {
        glColor3f(red, 0.5f, 0.0f);
        glCallList(assets::bulb_list);
    }
    ASSERT_EQ(drawn().size(), 1u);
    const auto& bulbs = draws[0].vertices;
    ASSERT_EQ(bulbs.size() % 2, 0u);
    for (size_t i = 0; i < bulbs.size(); ++i) {
        ASSERT_TRUE(all_near(bulbs[i].colour, {i < bulbs.size() / 2 ? 0.25f : 1.0f, 0.5f, 0.0f, 1.0f})) << i;
    }

    // the presents move themselves within the caller's transform and leave
    // it as it was, with the last ribbon's material current
    recording_backend::reset();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(100.0f, 0.0f, 0.0f);
    glCallList(assets::presents_list);
    ASSERT_FALSE(drawn().empty());
    for (const auto& d : draws) {
        for (const Vertex& v : d.vertices) {
            ASSERT_GT(v.position[0], 97.0f);
            ASSERT_LT(v.position[0], 103.0f);
        }
    }
    EXPECT_EQ(webgl::state.modelview.top, 0);
    EXPECT_FLOAT_EQ(webgl::current(webgl::state.modelview).m[12], 100.0f);
    EXPECT_TRUE(all_near(webgl::state.material.diffuse, {0x2A / 255.0f, 0x6F / 255.0f, 0xDB / 255.0f, 1.0f}));
}

// One triangle (or three points) at x, y in the current state.
void triangle(float x, float y, GLenum mode = GL_TRIANGLES) {
    glBegin(mode);
    glNormal3f(1.0f, 0.0f, 0.0f);
    glVertex3f(x, y, 0.0f);
    glVertex3f(x + 1.0f, y, 0.0f);
    glVertex3f(x, y + 1.0f, 0.0f);
    glEnd();
}

TEST(LayerBatches, NeighboursMergeWhatChangesTheirLookSplitsAndOrderStays) {
    start_wide();
    shared::seed_random(8230);
    assets::build_textures();
    const GLfloat red[4] = {1.0f, 0.0f, 0.0f, 1.0f};
    const GLfloat place[4] = {1.0f, 2.0f, 3.0f, 1.0f};

    // another matrix, another colour, a material: one draw
    triangle(0, 0);
    glTranslatef(0.0f, 1.0f, 0.0f);
    glColor3f(0.5f, 0.5f, 0.5f);
    triangle(0, 0);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, red);
    triangle(0, 1);
    glLoadIdentity();
    // each change below acts on what the next triangle looks like
    const std::vector<void (*)()> splits = {
        [] {
            glMatrixMode(GL_PROJECTION);
            glScalef(0.5f, 0.5f, 0.5f);
            glMatrixMode(GL_MODELVIEW);
        },
        [] { glViewport(0, 0, 32, 32); },
        [] { glEnable(GL_SCISSOR_TEST); },
        [] { glScissor(1, 1, 8, 8); },
        [] { glEnable(GL_DEPTH_TEST); },
        [] { glDepthMask(GL_FALSE); },
        [] { glEnable(GL_BLEND); },
        [] { glBlendFunc(GL_ONE, GL_ONE); },
        [] {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, assets::glow_texture);
        },
        [] { glBindTexture(GL_TEXTURE_2D, assets::needle_texture); },
        [] { glEnable(GL_FOG); },
        [] { glFogf(GL_FOG_END, 20.0f); },
        [] { glEnable(GL_LIGHTING); },
        [] { glEnable(GL_NORMALIZE); },
        [] { glEnable(GL_LIGHT0); },
        [] {
            const GLfloat at[4] = {0, 5, 0, 1};
            glLightfv(GL_LIGHT0, GL_POSITION, at);
        },
        [] { glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1); },
    };
    for (size_t i = 0; i < splits.size(); ++i) {
        splits[i]();
        triangle(static_cast<float>(i + 1), 0);
    }
    // points are another kind of draw, and their size counts only for them
    triangle(30, 0, GL_POINTS);
    glPointSize(3.0f);
    triangle(31, 0, GL_POINTS);
    triangle(32, 0);
    // a clear comes between the draws before and after it
    glClear(GL_COLOR_BUFFER_BIT);
    triangle(33, 0);
    glLightfv(GL_LIGHT1, GL_POSITION, place);  // a light that is off
    // a material while lighting goes with the draw, in its record
    const GLfloat blue[4] = {0, 0, 1, 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, blue);
    triangle(34, 0);

    // each draw begins with the triangle that began it, in the order given (-1: the clear)
    std::vector<float> first_x = {0.0f};
    for (size_t i = 0; i < splits.size(); ++i) first_x.push_back(static_cast<float>(i + 1));
    first_x.insert(first_x.end(), {30.0f, 31.0f, 32.0f, -1.0f, 33.0f});
    const auto& draws = drawn();
    ASSERT_EQ(draws.size(), first_x.size());
    for (size_t i = 0; i < draws.size(); ++i) {
        ASSERT_EQ(draws[i].clear, first_x[i] < 0.0f) << i;
        if (!draws[i].clear) {
            EXPECT_FLOAT_EQ(draws[i].vertices[0].position[0], first_x[i]) << i;
            EXPECT_EQ(draws[i].runs, 1) << i;
        }
    }
    EXPECT_EQ(draws[0].vertices.size(), 9u);
    EXPECT_FLOAT_EQ(draws[0].vertices[3].position[1], 1.0f);
    EXPECT_FLOAT_EQ(draws[0].vertices[8].position[1], 3.0f);
    EXPECT_FLOAT_EQ(draws[0].vertices[3].colour[0], 0.5f);
    const auto& last = draws.back();
    ASSERT_EQ(last.vertices.size(), 6u) << "a light that is off, a material: one draw";
    EXPECT_FLOAT_EQ(last.vertex_records[0].material[6], 0.0f);
    EXPECT_FLOAT_EQ(last.vertex_records[5].material[6], 1.0f) << "the second triangle's own material";
    EXPECT_EQ(draws[splits.size() + 1].state.mode, static_cast<uint32_t>(GL_POINTS));
    EXPECT_FLOAT_EQ(draws[splits.size() + 2].state.point_size, 3.0f);
    EXPECT_EQ(draws[splits.size() + 3].state.point_size, 0.0f);
}

// A list of one triangle at x, y.
GLuint triangle_list(float x, float y) {
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    triangle(x, y);
    glEndList();
    return list;
}

TEST(LayerBatches, AListIsSentOnceAndCalledUnderTwoMatricesGivesTwoCopiesInEyeSpace) {
    start_wide();
    const GLuint list = triangle_list(0, 0);
    EXPECT_EQ(recording_backend::store_sends, 0) << "compiling sends nothing";

    glEnable(GL_LIGHTING);
    glTranslatef(5.0f, 0.0f, 0.0f);
    glCallList(list);
    glLoadIdentity();
    // a quarter turn about z carries the normal (1, 0, 0) to (0, 1, 0); the
    // stretch along y halves it
    glRotatef(90.0f, 0.0f, 0.0f, 1.0f);
    glScalef(2.0f, 1.0f, 1.0f);
    glCallList(list);
    glLoadIdentity();
    glCallList(list);

    const auto& draws = drawn();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].kind, webgl::batch_listed);
    EXPECT_EQ(draws[0].runs, 1) << "three calls, one instanced draw";
    EXPECT_EQ(draws[0].records, 3);
    EXPECT_EQ(draws[0].streamed_vertices, 0);
    const auto& v = draws[0].vertices;
    ASSERT_EQ(v.size(), 9u);
    EXPECT_TRUE(all_near(v[1].position, {6.0f, 0.0f, 0.0f}));
    EXPECT_TRUE(all_near(v[1].normal, {1.0f, 0.0f, 0.0f}));
    EXPECT_NEAR(v[4].position[0], 0.0f, 1e-6f);
    EXPECT_NEAR(v[4].position[1], 2.0f, 1e-6f);
    EXPECT_NEAR(v[4].normal[0], 0.0f, 1e-6f);
    EXPECT_NEAR(v[4].normal[1], 0.5f, 1e-6f);
    // the list itself stays in its own space
    EXPECT_TRUE(all_near(v[7].position, {1.0f, 0.0f, 0.0f}));

    // called again over frames, with other lists compiled before: its
    // vertices went to the backend once, and go again only to a new context
    const GLuint other = triangle_list(7, 7);
    for (int frame = 0; frame < 3; ++frame) {
        glCallList(list);
        glCallList(other);
        webgl::flush_draws();
    }
    EXPECT_EQ(recording_backend::store_sends, 2) << "once, and once more for the list compiled after";
    EXPECT_EQ(recording_backend::store_vertices_sent, 3 + 6);
    recording_backend::reset();
    ASSERT_TRUE(webgl::restore_layer());
    glCallList(list);
    ASSERT_EQ(drawn().size(), 1u);
    EXPECT_TRUE(all_near(drawn()[0].vertices[1].position, {1.0f, 0.0f, 0.0f}));
    EXPECT_EQ(recording_backend::store_vertices_sent, 6);

    // two strips that share a row: its vertices are stored once, drawn in both
    const GLuint strips = glGenLists(1);
    glNewList(strips, GL_COMPILE);
    for (int row = 0; row < 2; ++row) {
        glBegin(GL_QUAD_STRIP);
        for (float x : {0.0f, 1.0f}) {
            glVertex3f(x, static_cast<float>(row + 1), 0.0f);
            glVertex3f(x, static_cast<float>(row), 0.0f);
        }
        glEnd();
    }
    glEndList();
    recording_backend::reset();
    glCallList(strips);
    ASSERT_EQ(drawn().size(), 1u);
    EXPECT_EQ(recording_backend::store_vertices_sent, 6 + 6 + 6) << "the first list's, the other's, the strips' 6";
    ASSERT_EQ(drawn()[0].vertices.size(), 12u);
    EXPECT_TRUE(all_near(drawn()[0].vertices[6].position, {0.0f, 2.0f, 0.0f}));
    EXPECT_TRUE(all_near(drawn()[0].vertices[7].position, {0.0f, 1.0f, 0.0f})) << "a shared one";
}

TEST(LayerBatches, RepeatedListCallsShareADrawInTheirOrder) {
    start_wide();
    shared::seed_random(8230);
    assets::build_textures();
    assets::build_display_lists();
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    // ornaments as the scene draws them: each its own matrix and material,
    // its ball then its gold cap (whose material the list sets)
    auto ornament = [](float x, float red) {
        glPushMatrix();
        glTranslatef(x, 0.0f, 0.0f);
        const GLfloat colour[4] = {red, 0.0f, 0.0f, 1.0f};
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, colour);
        glCallList(assets::ornament_ball_list);
        glCallList(assets::ornament_cap_list);
        glPopMatrix();
    };
    for (int i = 0; i < 3; ++i) ornament(10.0f * static_cast<float>(i), 0.25f * static_cast<float>(i + 1));
    auto draws = drawn();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].runs, 1);
    EXPECT_EQ(draws[0].records, 6) << "a ball's and a cap's record an ornament";
    EXPECT_EQ(draws[0].streamed_vertices, 0);
    const auto& v = draws[0].vertices;
    ASSERT_EQ(v.size() % 3, 0u);
    // each third of the vertices is one ornament, ball first, at its place and in its red
    const size_t third = v.size() / 3;
    for (size_t i = 0; i < v.size(); ++i) {
        const float x = 10.0f * static_cast<float>(i / third);
        ASSERT_NEAR(v[i].position[0], x, 1.0f) << i;
    }
    EXPECT_FLOAT_EQ(draws[0].vertex_records[0].material[4], 0.25f);
    EXPECT_FLOAT_EQ(draws[0].vertex_records[third + 0].material[4], 0.5f);
    EXPECT_NE(draws[0].vertex_records[third - 1].material[4], 0.5f) << "the first cap in gold";

    // a ball left without its cap ends the pattern: the whole ornaments and
    // the lone ball are two WebGL draws of one batch; then an immediate
    // draw, and the ball again: each in its place
    recording_backend::reset();
    ornament(0.0f, 1.0f);
    ornament(10.0f, 1.0f);
    glCallList(assets::ornament_ball_list);
    triangle(50, 0);
    glCallList(assets::ornament_ball_list);
    glCallList(assets::star_list);
    draws = drawn();
    ASSERT_EQ(draws.size(), 4u);
    EXPECT_EQ(draws[0].runs, 2);
    EXPECT_EQ(draws[0].records, 5);
    EXPECT_NEAR(draws[0].vertices.back().position[0], 0.0f, 1.0f) << "the lone ball last";
    EXPECT_EQ(draws[1].kind, webgl::batch_streamed);
    EXPECT_FLOAT_EQ(draws[1].vertices[0].position[0], 50.0f);
    EXPECT_EQ(draws[2].kind, webgl::batch_listed);
    EXPECT_EQ(draws[2].records, 1) << "the star's list is not the ball's next";
    EXPECT_EQ(draws[3].records, 1);

    // a call wholly beyond one plane of the view draws nothing; one across it is drawn
    recording_backend::reset();
    const GLuint list = triangle_list(0, 0);
    for (float x : {1000.5f, 999.5f, -1002.0f}) {
        glLoadIdentity();
        glTranslatef(x, 0.0f, 0.0f);
        glScalef(0.5f, 0.5f, 0.5f);
        glCallList(list);
    }
    ASSERT_EQ(drawn().size(), 1u);
    EXPECT_EQ(drawn()[0].records, 1);
    EXPECT_FLOAT_EQ(drawn()[0].vertices[0].position[0], 999.5f);
}

TEST(LayerBatches, GlowsGoAsSpritesAndStarsAsPositionsWithTheirColoursAndTextureCoordinates) {
    start_wide();
    // quads facing a turned camera, as the glows are made: centre -+ right -+ up
    const float right[3] = {0.6f, 0.0f, -0.8f}, up[3] = {0.0f, 1.0f, 0.0f};
    std::vector<std::vector<float>> corners;
    glTranslatef(0.0f, 0.0f, -3.0f);
    glBegin(GL_QUADS);
    for (int i = 0; i < 5; ++i) {
        const float h = i < 3 ? 0.07f : 0.21f;  // three snowflakes, two bulbs' glows
        const float centre[3] = {1.3f * static_cast<float>(i) - 2.1f, 0.37f * static_cast<float>(i), 5.3f};
        glColor3f(0.1f * static_cast<float>(i), 0.5f, 1.0f);
        const float signs[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
        for (const auto& sign : signs) {
            glTexCoord2f(sign[0] > 0 ? 1.0f : 0.0f, sign[1] > 0 ? 1.0f : 0.0f);
            std::vector<float> p(3);
            for (int c = 0; c < 3; ++c) p[c] = centre[c] + sign[0] * right[c] * h + sign[1] * up[c] * h;
            glVertex3f(p[0], p[1], p[2]);
            corners.push_back(p);
        }
    }
    glVertex3f(9.0f, 9.0f, 9.0f);  // completes no quad
    glEnd();
    const auto& draws = drawn();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].kind, webgl::batch_sprites);
    EXPECT_EQ(draws[0].streamed_vertices, 5) << "a corner and a colour a quad";
    EXPECT_EQ(draws[0].records, 2) << "one record for each size";
    const auto& v = draws[0].vertices;
    ASSERT_EQ(v.size(), 5u * 6u);
    const int corner_of[6] = {0, 1, 2, 0, 2, 3};
    for (size_t i = 0; i < v.size(); ++i) {
        const size_t quad = i / 6;
        const int k = corner_of[i % 6];
        const std::vector<float>& p = corners[4 * quad + static_cast<size_t>(k)];
        for (int c = 0; c < 3; ++c) ASSERT_NEAR(v[i].position[c], p[c] - (c == 2 ? 3.0f : 0.0f), 1e-5f) << i;
        EXPECT_FLOAT_EQ(v[i].colour[0], 0.1f * static_cast<float>(quad)) << i;
        EXPECT_FLOAT_EQ(v[i].texcoord[0], k == 1 || k == 2 ? 1.0f : 0.0f) << i;
        EXPECT_FLOAT_EQ(v[i].texcoord[1], k >= 2 ? 1.0f : 0.0f) << i;
    }

    // a quad that is no parallelogram, or whose corners differ in colour,
    // goes as vertices, after the sprites before it; neighbours of the kind merge
    recording_backend::reset();
    for (int bent = 0; bent < 2; ++bent) {
        glBegin(GL_QUADS);
        glVertex3f(0.0f, 0.0f, 0.0f);
        glVertex3f(1.0f, 0.0f, 0.0f);
        glVertex3f(1.0f, 1.0f, 0.0f);
        if (bent) glColor3f(1.0f, 0.0f, 0.0f);
        glVertex3f(0.0f, 1.0f, 0.0f);
        glEnd();
        glBegin(GL_QUADS);
        glVertex3f(0.0f, 0.0f, 0.0f);
        glVertex3f(1.0f, 0.0f, 0.0f);
        glVertex3f(1.0f, 1.5f, 0.0f);
        glVertex3f(0.0f, 1.0f, 0.0f);
        glEnd();
    }
    ASSERT_EQ(drawn().size(), 2u);
    EXPECT_EQ(drawn()[0].kind, webgl::batch_sprites);
    EXPECT_EQ(drawn()[1].kind, webgl::batch_streamed);
    ASSERT_EQ(drawn()[1].vertices.size(), 3u * 6u);
    EXPECT_FLOAT_EQ(drawn()[1].vertices[2].position[1], 1.5f);
    EXPECT_FLOAT_EQ(drawn()[1].vertices[6].colour[1], 0.5f) << "the colour set before";
    EXPECT_FLOAT_EQ(drawn()[1].vertices[11].colour[1], 0.0f) << "the red corner";

    // points of one colour (the sky's stars) go as positions alone; of two, as vertices
    recording_backend::reset();
    glColor3f(0.87f, 0.9f, 1.0f);
    glBegin(GL_POINTS);
    for (int i = 0; i < 4; ++i) glVertex3f(static_cast<float>(i), 2.0f * static_cast<float>(i), 0.0f);
    glEnd();
    glBegin(GL_POINTS);
    glVertex3f(7.0f, 7.0f, 7.0f);
    glColor3f(1.0f, 0.0f, 0.0f);
    glVertex3f(8.0f, 8.0f, 8.0f);
    glEnd();
    ASSERT_EQ(drawn().size(), 2u);
    EXPECT_EQ(drawn()[0].kind, webgl::batch_points);
    EXPECT_EQ(drawn()[0].streamed_vertices, 4);
    ASSERT_EQ(drawn()[0].vertices.size(), 4u);
    EXPECT_TRUE(all_near(drawn()[0].vertices[3].position, {3.0f, 6.0f, -3.0f}));
    EXPECT_TRUE(all_near(drawn()[0].vertices[3].colour, {0.87f, 0.9f, 1.0f, 1.0f}));
    EXPECT_EQ(drawn()[1].kind, webgl::batch_streamed);
    ASSERT_EQ(drawn()[1].vertices.size(), 2u);
    EXPECT_TRUE(all_near(drawn()[1].vertices[1].colour, {1.0f, 0.0f, 0.0f, 1.0f}));
}

TEST(LayerBatches, TheGroundIsDrawnByTilesInViewWhereOrderCannotShow) {
    start_wide();
    shared::seed_random(8230);
    assets::build_textures();
    assets::build_display_lists();
    auto ground_indices = [] {
        size_t n = 0;
        for (const auto& d : drawn()) n += d.vertices.size();
        return n;
    };
    // blended, or without the depth test: the ground whole, in its order
    glEnable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glCallList(assets::ground_list);
    ASSERT_EQ(drawn().size(), 1u);
    EXPECT_EQ(ground_indices(), 96u * 96u * 6u);
    EXPECT_FLOAT_EQ(drawn()[0].vertices[0].position[2], -70.0f + 1.4583334f) << "the first strip first";
    EXPECT_GT(drawn()[0].vertices[6 * 95].position[0], 60.0f) << "the first strip whole before the next";

    // depth-tested and opaque, all in view: every triangle, by tiles, one draw
    glDisable(GL_BLEND);
    recording_backend::reset();
    glCallList(assets::ground_list);
    ASSERT_EQ(drawn().size(), 1u);
    EXPECT_EQ(ground_indices(), 96u * 96u * 6u);
    double area = 0.0;
    for (size_t t = 0; t < drawn()[0].vertices.size(); t += 3) {
        const float* a = drawn()[0].vertices[t].position;
        const float* b = drawn()[0].vertices[t + 1].position;
        const float* c = drawn()[0].vertices[t + 2].position;
        area += std::fabs((b[0] - a[0]) * (c[2] - a[2]) - (c[0] - a[0]) * (b[2] - a[2])) / 2.0;
    }
    EXPECT_NEAR(area, 140.0 * 140.0, 1.0) << "the tiles cover the ground once";

    // a view of one corner: only the tiles near it
    recording_backend::reset();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-10.0, 10.0, -10.0, 10.0, -10.0, 10.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(65.0f, 0.0f, 65.0f);
    glCallList(assets::ground_list);
    ASSERT_FALSE(drawn().empty());
    EXPECT_LT(ground_indices(), 96u * 96u * 6u / 20u);
    for (const auto& d : drawn()) {
        for (const Vertex& v : d.vertices) ASSERT_LT(v.position[0], 40.0f);
    }
}

}  // namespace
