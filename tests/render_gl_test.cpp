// The view render on Mesa's off-screen context: the picture at scene time 0
// from the capture seed, its regions, point sizes, views and captures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/null/null_host.h"
#include "host/run/capture.h"
#include "render/camera.h"
#include "render/lights.h"
#include "render/render.h"
#include "scene/scene.h"
#include "scene/state.h"
#include "shared/gl.h"
#include "shared/random.h"
#include "shared/run_mode.h"

namespace {

struct Rgb {
    int r, g, b;
    bool is(int red, int green, int blue) const { return r == red && g == green && b == blue; }
    bool operator!=(const Rgb& o) const { return !o.is(r, g, b); }
};

int window_width = 0;
int window_height = 0;

// A capture run: snow, no music, the capture seed.
constexpr host::RunConfig capture_run = {shared::mode_capture, true, false, false, 8230};

// Makes a width x height buffer of the null host current, with the
// capture's start-up the first time.
void use_window(int width, int height) {
    ASSERT_TRUE(host::open_null_host(width, height));
    window_width = width;
    window_height = height;
    static bool built = false;
    if (!built) host::start_run(capture_run);
    built = true;
}

// The window's pixels, row 0 at the top.
struct Frame {
    int width = window_width;
    int height = window_height;
    std::vector<uint8_t> rgba = std::vector<uint8_t>(static_cast<size_t>(width) * height * 4);
    Frame() {
        glFinish();
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    }
    Rgb at(int x, int y) const {
        if (x < 0 || x >= width || y < 0 || y >= height) {
            ADD_FAILURE() << "pixel " << x << "," << y << " is outside the window";
            return {-1, -1, -1};
        }
        const uint8_t* p = rgba.data() + ((height - 1 - y) * width + x) * 4;
        return {p[0], p[1], p[2]};
    }
};

// A full-window view at time 0 in a fresh width x height window.
Frame shot(int width, int height) {
    use_window(width, height);
    render::render_view(0, 0, width, height, 0.0f);
    return Frame();
}

// Where a world point lands in a full-window view at time 0 (pixels, row 0
// at the top), through the 50-degree frustum.
Rgb seen(const Frame& f, shared::Vec3 p) {
    const render::Camera c = render::orbit_camera(0.0f, 0.0f, static_cast<float>(f.width) / f.height);
    const shared::Vec3 v = {p.x - c.eye.x, p.y - c.eye.y, p.z - c.eye.z};
    const float depth = v.x * c.forward.x + v.y * c.forward.y + v.z * c.forward.z;
    const float half = 0.0466307662f / 0.1f;
    const float nx = (v.x * c.right.x + v.y * c.right.y + v.z * c.right.z) / depth / (half * f.width / f.height);
    const float ny = (v.x * c.up.x + v.y * c.up.y + v.z * c.up.z) / depth / half;
    return f.at(static_cast<int>((nx + 1.0f) * 0.5f * f.width), static_cast<int>((1.0f - ny) * 0.5f * f.height));
}

bool tree_green(const Rgb& p) { return p.g > p.r + 15 && p.g > p.b + 10; }
bool night_sky(const Rgb& p) { return p.is(10, 8, 32); }
bool star_white(const Rgb& p) { return p.r >= 200 && p.g >= 220 && p.b >= 250; }

// The pixels of columns x0 to x1 and rows y0 to y1 (excluded) that pass.
int count(const Frame& f, int x0, int x1, int y0, int y1, bool (*pass)(const Rgb&)) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += pass(f.at(x, y));
    return n;
}

TEST(ViewRender, CameraSkyGroundTreeStarAndBulbsAtTimeZero) {
    const Frame f = shot(1280, 720);
    // the night sky: the clear colour between the star points
    EXPECT_GT(count(f, 0, 450, 0, 150, night_sky), 450 * 150 * 95 / 100);
    // the ground beyond the fog's end (58 units) has the fog colour; the near ground is pale violet
    for (const shared::Vec3& p : {shared::Vec3{-62, 0, 35}, shared::Vec3{-62, 0, -35}, shared::Vec3{-66, 0, 50}}) {
        const Rgb fog = seen(f, p);
        EXPECT_TRUE(fog.is(18, 13, 42)) << fog.r << "," << fog.g << "," << fog.b;
    }
    for (const Rgb& p : {f.at(100, 700), f.at(1180, 700), f.at(640, 715)})
        EXPECT_TRUE(p.r > 120 && p.b > p.g && p.b > 180) << p.r << "," << p.g << "," << p.b;

    // needle greens on every tier's side facing the camera, 0.6 up it and 0.4 of its base radius out
    const float y[5] = {2.43f, 3.45f, 4.35f, 5.15f, 5.85f}, r[5] = {1.0f, 0.82f, 0.648f, 0.48f, 0.312f};
    for (int tier = 0; tier < 5; ++tier) {
        int green = 0;
        for (float a : {-0.3f, 0.0f, 0.3f})
            green += tree_green(seen(f, {r[tier] * std::cos(a), y[tier], r[tier] * std::sin(a)}));
        EXPECT_GE(green, 2) << "tier " << tier;
    }
    // the gold star's halo, warm on both sides of the star
    for (float side : {-0.6f, 0.6f}) {
        const Rgb p = seen(f, {0.0f, 6.67f, side});
        EXPECT_TRUE(p.r > p.g && p.g > 8 + 25 && p.r > 40) << side;
    }
    // the bulbs facing the camera shine in their palette colours, unlit,
    // dimmed by their blink to between 0.61 and 1
    int checked = 0, shining = 0;
    for (const scene::Bulb& bulb : scene::bulbs) {
        if (bulb.position.x < 0.8f * std::hypot(bulb.position.x, bulb.position.z)) continue;
        const Rgb p = seen(f, bulb.position);
        const uint32_t rgb = render::bulb_palette[bulb.colour_index];
        const float b = static_cast<float>(std::max({p.r, p.g, p.b})) / 255.0f;
        ++checked;
        shining += b >= 0.6f && std::fabs(p.r - (rgb >> 16) * b) <= 3 && std::fabs(p.g - (rgb >> 8 & 0xFF) * b) <= 3 &&
                   std::fabs(p.b - (rgb & 0xFF) * b) <= 3;
    }
    EXPECT_GE(checked, 15);
    EXPECT_GE(shining, checked * 9 / 10) << shining << " of " << checked;
}

TEST(ViewRender, BulbGlowAgainstTheSky) {
    use_window(1280, 720);
    // a red bulb at full blink hung in the empty sky beside the tree top
    const shared::Vec3 place = {0.0f, 7.0f, 4.5f};
    const scene::Bulb saved = scene::bulbs[0];
    scene::bulbs[0].position = place;
    scene::bulbs[0].colour_index = 0;
    scene::bulbs[0].blink_phase = 3.1415927f / 2.0f;
    render::render_view(0, 0, 1280, 720, 0.0f);
    scene::bulbs[0] = saved;
    const Frame f;
    const Rgb bulb = seen(f, place);
    EXPECT_TRUE(bulb.is(255, 59, 59)) << bulb.r << "," << bulb.g << "," << bulb.b;
    // the halo: red, fading outward, gone past its half size 0.21
    int last_red = 255;
    for (float offset : {-0.08f, -0.12f, -0.16f, -0.19f}) {
        const Rgb p = seen(f, {place.x, place.y, place.z + offset});
        EXPECT_TRUE(p.r > 10 + 5 && p.r < last_red && p.r - 10 > 2 * (p.g - 8)) << offset;
        last_red = p.r;
    }
    EXPECT_TRUE(seen(f, {place.x, place.y, place.z - 0.24f}).is(10, 8, 32));
    EXPECT_TRUE(seen(f, {place.x, place.y, place.z + 0.24f}).is(10, 8, 32));
}

TEST(ViewRender, BulbColoursStepEveryFourSeconds) {
    EXPECT_EQ(render::bulb_colour_step(3.99f), 0);
    EXPECT_EQ(render::bulb_colour_step(4.0f), 1);
    EXPECT_EQ(render::bulb_colour_step(8.0f), 2);
}

TEST(ViewRender, StarPointsGrowFrom401RowsUp) {
    // in the top quarter, which no glow reaches
    const int small = count(shot(400, 400), 0, 400, 0, 100, star_white);
    const int large = count(shot(401, 401), 0, 401, 0, 100, star_white);
    EXPECT_GT(small, 20);
    // 1.6-pixel points come out 2 x 2, 1-pixel points 1 x 1
    EXPECT_GT(large, small * 3);
    EXPECT_LT(large, small * 5);
}

TEST(ViewRender, TwoViewsLeaveEachOthersPixelsAlone) {
    use_window(800, 300);
    render::render_view(0, 0, 400, 300, 0.0f);
    render::render_view(400, 0, 400, 300, 0.9f);
    const Frame both;
    render::render_view(0, 0, 400, 300, 2.5f);
    const Frame again;
    int left_changed = 0, right_changed = 0, halves_differ = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) {
            left_changed += both.at(x, y) != again.at(x, y);
            right_changed += both.at(x + 400, y) != again.at(x + 400, y);
            halves_differ += both.at(x, y) != both.at(x + 400, y);  // seen from different sides
        }
    EXPECT_EQ(right_changed, 0);
    EXPECT_GT(left_changed, 400 * 300 / 10);
    EXPECT_GT(halves_differ, 400 * 300 / 10);
}

TEST(ViewRender, TallNarrowViewPullsTheCameraBack) {
    const int square = count(shot(720, 720), 360, 361, 0, 720, tree_green);  // the middle column
    // the same vertical field of view from 1.489 times as far: the tree smaller
    const int narrow = count(shot(360, 720), 180, 181, 0, 720, tree_green);
    EXPECT_GT(square, 200);
    EXPECT_GT(narrow, square * 60 / 100);
    EXPECT_LT(narrow, square * 75 / 100);
}

// The capture run's fast advance against plain stepping, in the written
// file: at 80 s the second cycle is filling, with flights, sparks, a fresh
// wobble and respawned snow.
TEST(Capture, FastCaptureWritesTheFileOfPlainStepping) {
    std::vector<char> files[2];
    uint32_t states[2];
    for (int i = 0; i < 2; ++i) {
        const std::string path = testing::TempDir() + "frostvale_capture_" + std::to_string(i) + ".bmp";
        use_window(320, 180);
        scene::reset_scene_state();
        if (i == 0) {
            ASSERT_EQ(host::run_saver(capture_run, host::null_host, 80.0f, path.c_str()), 0);
        } else {
            host::start_run(capture_run);
            for (float t = 0.0f; 80.0f > t; t = t + host::capture_step) scene::step_scene(host::capture_step);
            ASSERT_EQ(host::capture_frame(0.0f, 320, 180, path.c_str()).fault, host::CaptureFault::none);
        }
        states[i] = shared::random_state;
        std::ifstream in(path, std::ios::binary);
        files[i].assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        std::remove(path.c_str());
    }
    EXPECT_EQ(states[0], states[1]);
    EXPECT_EQ(files[0].size(), 54u + 960u * 180u);
    EXPECT_TRUE(files[0] == files[1]);
}

}  // namespace
