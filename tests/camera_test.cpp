#include <gtest/gtest.h>

#include <cmath>

#include "render/camera.h"

namespace {

float dot(const shared::Vec3& a, const shared::Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

TEST(OrbitCamera, AtTimeZeroLooksAtTheTreeFromPlusX) {
    const render::Camera c = render::orbit_camera(0.0f, 0.0f, 16.0f / 9.0f);
    EXPECT_TRUE(c.eye.x == 11.2f && c.eye.z == 0.0f && c.target.y == 3.0f);
    EXPECT_NEAR(c.eye.y, 4.9305f, 1e-4);  // 3.5 + 1.7 sin 1
    // forward: (-11.2, -1.9305, 0) normalised; right = forward x up = -z;
    // looking down, the up vector leans forward
    EXPECT_LT(c.forward.x, 0.0f);
    EXPECT_NEAR(c.forward.y / c.forward.x, 1.9305f / 11.2f, 1e-5);
    EXPECT_TRUE(c.right.x == 0.0f && c.right.y == 0.0f && c.right.z == -1.0f);
    EXPECT_TRUE(c.up.y > 0.9f && c.up.x < 0.0f);
    EXPECT_NEAR(dot(c.forward, c.forward), 1.0f, 1e-6);
    EXPECT_NEAR(dot(c.up, c.up), 1.0f, 1e-6);
    EXPECT_NEAR(dot(c.up, c.forward), 0.0f, 1e-6);
}

TEST(OrbitCamera, PhaseAndTimeTurnItNarrowViewsPullBack) {
    const render::Camera turned = render::orbit_camera(0.0f, 0.9f, 1.0f);
    EXPECT_FLOAT_EQ(turned.eye.x, 11.2f * std::cos(0.9f));
    EXPECT_FLOAT_EQ(turned.eye.z, 11.2f * std::sin(0.9f));
    const float t = 3.1415927f / 2.0f / 0.11f;  // a quarter turn, the radius breathing
    const render::Camera later = render::orbit_camera(t, 0.0f, 1.0f);
    EXPECT_NEAR(later.eye.x, 0.0f, 1e-4);
    EXPECT_NEAR(later.eye.z, 11.2f + 2.0f * std::sin(0.07f * t), 1e-4);
    EXPECT_NEAR(later.target.y, 3.0f + 0.35f * std::sin(0.05f * t), 1e-6);
    // below aspect 0.85 the camera backs off by (0.85 / aspect)^0.75
    const float base = render::orbit_camera(0.0f, 0.0f, 1.0f).eye.x;
    EXPECT_EQ(render::orbit_camera(0.0f, 0.0f, 0.85f).eye.x, base);
    EXPECT_NEAR(render::orbit_camera(0.0f, 0.0f, 0.5f).eye.x / base, 1.489, 1e-3);
}

TEST(ViewAspectAndFade, EmptyHeightIsSquareFadeFullToSixteenNothingFromFiftyEight) {
    EXPECT_EQ(render::view_aspect(1280, 0), 1.0f);
    EXPECT_EQ(render::view_aspect(1280, -5), 1.0f);
    EXPECT_EQ(render::view_aspect(640, 1280), 0.5f);
    const shared::Vec3 eye = {1.0f, 2.0f, 3.0f};
    EXPECT_EQ(render::distance_fade(eye, eye), 1.0f);
    EXPECT_EQ(render::distance_fade(eye, {1.0f, 18.0f, 3.0f}), 1.0f);
    EXPECT_FLOAT_EQ(render::distance_fade(eye, {38.0f, 2.0f, 3.0f}), 0.5f);
    EXPECT_EQ(render::distance_fade(eye, {1.0f, 2.0f, 61.0f}), 0.0f);
}

}  // namespace
