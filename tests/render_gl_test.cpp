// The view render on Mesa's off-screen context: the picture at scene time 0
// from the capture seed, its regions, point sizes, views and captures.
#include <GL/osmesa.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "host/capture.h"
#include "host/random.h"
#include "host/run_mode.h"
#include "render/camera.h"
#include "render/gl.h"
#include "render/lights.h"
#include "render/render.h"
#include "scene/scene.h"
#include "scene/state.h"

namespace {

struct Rgb {
    int r, g, b;
};

// One off-screen context for the whole process; its textures and lists
// survive a change of the buffer size.
struct Offscreen {
    OSMesaContext context = nullptr;
    std::vector<uint8_t> buffer;
    int width = 0;
    int height = 0;
};
Offscreen offscreen;

// Makes a width x height buffer current, building the scene as the saver's
// capture start-up does the first time.
void use_window(int width, int height) {
    if (!offscreen.context) {
        offscreen.context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
        ASSERT_NE(offscreen.context, nullptr);
    }
    offscreen.buffer.assign(static_cast<size_t>(width) * height * 4, 0);
    offscreen.width = width;
    offscreen.height = height;
    ASSERT_TRUE(OSMesaMakeCurrent(offscreen.context, offscreen.buffer.data(), GL_UNSIGNED_BYTE, width, height));
    static bool built = false;
    if (!built) {
        built = true;
        host::run_mode = host::mode_capture;
        scene::reset_scene_state();
        host::seed_random(8230);
        assets::build_textures();
        assets::build_display_lists();
        scene::layout_scene();
    }
}

// The window's pixels, row 0 at the top.
struct Frame {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
    Rgb at(int x, int y) const {
        if (x < 0 || x >= width || y < 0 || y >= height) {
            ADD_FAILURE() << "pixel " << x << "," << y << " is outside the window";
            return {-1, -1, -1};
        }
        const uint8_t* p = rgba.data() + ((height - 1 - y) * width + x) * 4;
        return {p[0], p[1], p[2]};
    }
};

Frame read_window() {
    Frame f;
    f.width = offscreen.width;
    f.height = offscreen.height;
    f.rgba.resize(static_cast<size_t>(f.width) * f.height * 4);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, f.width, f.height, GL_RGBA, GL_UNSIGNED_BYTE, f.rgba.data());
    return f;
}

// Where a world point lands in a full-window view (pixels, row 0 at the
// top), from the camera of the view render and its 50-degree frustum.
struct Spot {
    int x, y;
    float depth;
};
Spot project(const render::Camera& c, scene::Vec3 p, int width, int height) {
    const scene::Vec3 v = {p.x - c.eye.x, p.y - c.eye.y, p.z - c.eye.z};
    const float depth = v.x * c.forward.x + v.y * c.forward.y + v.z * c.forward.z;
    const float sx = (v.x * c.right.x + v.y * c.right.y + v.z * c.right.z) / depth;
    const float sy = (v.x * c.up.x + v.y * c.up.y + v.z * c.up.z) / depth;
    const float half = 0.0466307662f / 0.1f;
    const float aspect = static_cast<float>(width) / static_cast<float>(height);
    const float nx = sx / (half * aspect);
    const float ny = sy / half;
    return {static_cast<int>((nx + 1.0f) * 0.5f * width), static_cast<int>((1.0f - ny) * 0.5f * height), depth};
}

bool is(const Rgb& p, int r, int g, int b) { return p.r == r && p.g == g && p.b == b; }

bool tree_green(const Rgb& p) { return p.g > p.r + 15 && p.g > p.b + 10; }

TEST(ViewRender, WritesTheCameraBasisAtTimeZero) {
    use_window(1280, 720);
    render::render_view(0, 0, 1280, 720, 0.0f);
    const render::Camera c = render::orbit_camera(0.0f, 0.0f, 1280.0f / 720.0f);
    EXPECT_EQ(scene::camera_basis.eye.x, 11.2f);
    EXPECT_NEAR(scene::camera_basis.eye.y, 4.9305f, 1e-4);
    EXPECT_EQ(scene::camera_basis.eye.z, 0.0f);
    EXPECT_EQ(scene::camera_basis.right.z, c.right.z);
    EXPECT_EQ(scene::camera_basis.up.x, c.up.x);
    EXPECT_EQ(scene::camera_basis.up.y, c.up.y);
}

TEST(ViewRender, SkyGroundTreeStarAndBulbsAtTimeZero) {
    use_window(1280, 720);
    render::render_view(0, 0, 1280, 720, 0.0f);
    const Frame f = read_window();
    const render::Camera c = render::orbit_camera(0.0f, 0.0f, 1280.0f / 720.0f);

    // the night sky: the clear colour between the star points
    int clear = 0;
    int total = 0;
    for (int y = 0; y < 150; ++y) {
        for (int x = 0; x < 450; ++x, ++total) clear += is(f.at(x, y), 10, 8, 32);
    }
    EXPECT_GT(clear, total * 95 / 100);

    // the ground beyond the fog's end (58 units) has the fog colour
    for (const scene::Vec3& p : {scene::Vec3{-62.0f, 0.0f, 35.0f}, scene::Vec3{-62.0f, 0.0f, -35.0f},
                                 scene::Vec3{-66.0f, 0.0f, 50.0f}}) {
        const Spot s = project(c, p, 1280, 720);
        ASSERT_TRUE(s.x >= 0 && s.x < 1280 && s.y >= 0 && s.y < 720) << s.x << "," << s.y;
        const Rgb fog = f.at(s.x, s.y);
        EXPECT_TRUE(is(fog, 18, 13, 42)) << fog.r << "," << fog.g << "," << fog.b;
    }
    // and the near ground is pale violet
    for (const Rgb& p : {f.at(100, 700), f.at(1180, 700), f.at(640, 715)}) {
        EXPECT_GT(p.r, 120);
        EXPECT_GT(p.b, p.g);
        EXPECT_GT(p.b, 180);
    }

    // needle greens on the side of every tier that faces the camera
    for (int tier = 0; tier < 5; ++tier) {
        const float heights[5] = {1.05f, 2.25f, 3.3f, 4.25f, 5.1f};
        const float radii[5] = {2.5f, 2.05f, 1.62f, 1.2f, 0.78f};
        const float tier_heights[5] = {2.3f, 2.0f, 1.75f, 1.5f, 1.25f};
        const float y = heights[tier] + 0.6f * tier_heights[tier];
        const float r = radii[tier] * 0.4f;
        int green = 0;
        for (float side : {-0.3f, 0.0f, 0.3f}) {
            const Spot s = project(c, {r * std::cos(side), y, r * std::sin(side)}, 1280, 720);
            green += tree_green(f.at(s.x, s.y));
        }
        EXPECT_GE(green, 2) << "tier " << tier;
    }

    // the gold star's halo, warm on both sides of the star
    for (float side : {-0.6f, 0.6f}) {
        const Spot s = project(c, {0.0f, 6.67f, side}, 1280, 720);
        const Rgb p = f.at(s.x, s.y);
        EXPECT_GT(p.r, p.g) << side;
        EXPECT_GT(p.g, 8 + 25) << side;
        EXPECT_GT(p.r, 40) << side;
    }

    // the bulbs facing the camera shine in their palette colours, unlit,
    // dimmed by their blink to between 0.61 and 1 (the glow behind them is
    // hidden by the bulb itself)
    int checked = 0;
    int shining = 0;
    for (const scene::Bulb& bulb : scene::bulbs) {
        const float horizontal = std::sqrt(bulb.position.x * bulb.position.x + bulb.position.z * bulb.position.z);
        if (bulb.position.x < 0.8f * horizontal) continue;
        const Spot s = project(c, bulb.position, 1280, 720);
        const Rgb p = f.at(s.x, s.y);
        const uint32_t rgb = render::bulb_palette[bulb.colour_index];
        const float palette[3] = {static_cast<float>(rgb >> 16), static_cast<float>(rgb >> 8 & 0xFF),
                                  static_cast<float>(rgb & 0xFF)};
        const float b = static_cast<float>(std::max(p.r, std::max(p.g, p.b))) / 255.0f;
        const bool ok = b >= 0.6f && std::fabs(p.r - palette[0] * b) <= 3 && std::fabs(p.g - palette[1] * b) <= 3 &&
                        std::fabs(p.b - palette[2] * b) <= 3;
        ++checked;
        shining += ok;
    }
    EXPECT_GE(checked, 15);
    EXPECT_GE(shining, checked * 9 / 10) << shining << " of " << checked;
}

TEST(ViewRender, BulbGlowAgainstTheSky) {
    use_window(1280, 720);
    // a red bulb hung in the empty sky beside the tree top
    const scene::Vec3 place = {0.0f, 7.0f, 4.5f};
    const scene::Bulb saved = scene::bulbs[0];
    scene::bulbs[0].position = place;
    scene::bulbs[0].colour_index = 0;
    scene::bulbs[0].blink_phase = 3.1415927f / 2.0f;  // sin = 1: full glow
    render::render_view(0, 0, 1280, 720, 0.0f);
    scene::bulbs[0] = saved;
    const Frame f = read_window();
    const render::Camera c = render::orbit_camera(0.0f, 0.0f, 1280.0f / 720.0f);
    const Spot centre = project(c, place, 1280, 720);
    const Rgb bulb = f.at(centre.x, centre.y);
    EXPECT_TRUE(is(bulb, 255, 59, 59)) << bulb.r << "," << bulb.g << "," << bulb.b;
    // the halo: red, fading outward, gone past its half size 0.21
    int last_red = 255;
    for (float offset : {-0.08f, -0.12f, -0.16f, -0.19f}) {
        const Spot s = project(c, {place.x, place.y, place.z + offset}, 1280, 720);
        const Rgb p = f.at(s.x, s.y);
        EXPECT_GT(p.r, 10 + 5) << offset;
        EXPECT_LT(p.r, last_red) << offset;
        EXPECT_GT(p.r - 10, 2 * (p.g - 8)) << offset;
        last_red = p.r;
    }
    for (float offset : {-0.24f, 0.24f}) {
        const Spot s = project(c, {place.x, place.y, place.z + offset}, 1280, 720);
        EXPECT_TRUE(is(f.at(s.x, s.y), 10, 8, 32)) << offset;
    }
}

// Star points, nearly white, that no glow reaches.
int star_pixels(const Frame& f) {
    int n = 0;
    for (int y = 0; y < f.height / 4; ++y)
        for (int x = 0; x < f.width; ++x) {
            const Rgb p = f.at(x, y);
            n += p.r >= 200 && p.g >= 220 && p.b >= 250;
        }
    return n;
}

TEST(ViewRender, StarPointsGrowFrom401RowsUp) {
    use_window(400, 400);
    render::render_view(0, 0, 400, 400, 0.0f);
    const int small = star_pixels(read_window());
    use_window(401, 401);
    render::render_view(0, 0, 401, 401, 0.0f);
    const int large = star_pixels(read_window());
    EXPECT_GT(small, 20);
    // 1.6-pixel points come out 2 x 2
    EXPECT_GT(large, small * 3);
    EXPECT_LT(large, small * 5);
}

TEST(ViewRender, TwoViewsLeaveEachOthersPixelsAlone) {
    use_window(800, 300);
    render::render_view(0, 0, 400, 300, 0.0f);
    render::render_view(400, 0, 400, 300, 0.9f);
    const Frame both = read_window();
    render::render_view(0, 0, 400, 300, 2.5f);
    const Frame again = read_window();
    int right_changed = 0;
    int left_changed = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 800; ++x) {
            const Rgb a = both.at(x, y);
            const Rgb b = again.at(x, y);
            const bool changed = a.r != b.r || a.g != b.g || a.b != b.b;
            (x < 400 ? left_changed : right_changed) += changed;
        }
    EXPECT_EQ(right_changed, 0);
    EXPECT_GT(left_changed, 400 * 300 / 10);
    // the views look from different sides: the halves differ
    int differ = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) {
            const Rgb a = both.at(x, y);
            const Rgb b = both.at(x + 400, y);
            differ += a.r != b.r || a.g != b.g || a.b != b.b;
        }
    EXPECT_GT(differ, 400 * 300 / 10);
}

// Rows of the middle column that show the tree.
int tree_rows(const Frame& f) {
    int n = 0;
    for (int y = 0; y < f.height; ++y) n += tree_green(f.at(f.width / 2, y));
    return n;
}

TEST(ViewRender, TallNarrowViewPullsTheCameraBack) {
    use_window(720, 720);
    render::render_view(0, 0, 720, 720, 0.0f);
    const int square = tree_rows(read_window());
    EXPECT_EQ(scene::camera_basis.eye.x, 11.2f);
    use_window(360, 720);
    render::render_view(0, 0, 360, 720, 0.0f);
    const int narrow = tree_rows(read_window());
    EXPECT_NEAR(scene::camera_basis.eye.x, 11.2 * std::pow(1.7, 0.75), 1e-4);
    // the same vertical field of view from 1.489 times as far
    EXPECT_GT(square, 200);
    EXPECT_GT(narrow, square * 60 / 100);
    EXPECT_LT(narrow, square * 75 / 100);
}

std::vector<char> file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The capture's start-up and frame, from a fresh scene each time.
void capture_from_start(float seconds, const std::string& path) {
    use_window(320, 180);
    scene::reset_scene_state();
    host::run_mode = host::mode_capture;
    host::seed_random(8230);
    assets::build_textures();
    assets::build_display_lists();
    scene::layout_scene();
    ASSERT_TRUE(host::capture_frame(seconds, 320, 180, path.c_str()));
}

TEST(Capture, TwoNativeCapturesAreByteIdentical) {
    const std::string first = testing::TempDir() + "frostvale_capture_a.bmp";
    const std::string second = testing::TempDir() + "frostvale_capture_b.bmp";
    capture_from_start(2.0f, first);
    const uint32_t state = host::random_state;
    capture_from_start(2.0f, second);
    EXPECT_EQ(host::random_state, state);
    const std::vector<char> a = file_bytes(first);
    const std::vector<char> b = file_bytes(second);
    EXPECT_EQ(a.size(), 54u + 960u * 180u);
    EXPECT_TRUE(a == b);
    std::remove(first.c_str());
    std::remove(second.c_str());
}

}  // namespace
