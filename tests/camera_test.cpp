#include <gtest/gtest.h>

#include <cmath>

#include "render/camera.h"

namespace {

float dot(const scene::Vec3& a, const scene::Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

TEST(OrbitCamera, AtTimeZeroLooksAtTheTreeFromPlusX) {
    const render::Camera c = render::orbit_camera(0.0f, 0.0f, 16.0f / 9.0f);
    EXPECT_FLOAT_EQ(c.eye.x, 11.2f);
    EXPECT_NEAR(c.eye.y, 3.5f + 1.7f * std::sin(1.0f), 1e-6);
    EXPECT_NEAR(c.eye.y, 4.9305f, 1e-4);
    EXPECT_EQ(c.eye.z, 0.0f);
    EXPECT_EQ(c.target.y, 3.0f);
    // forward down toward the axis, right = forward x up = -z; looking down,
    // the up vector leans forward
    EXPECT_LT(c.forward.x, 0.0f);
    EXPECT_LT(c.forward.y, 0.0f);
    EXPECT_EQ(c.right.x, 0.0f);
    EXPECT_EQ(c.right.y, 0.0f);
    EXPECT_EQ(c.right.z, -1.0f);
    EXPECT_GT(c.up.y, 0.9f);
    EXPECT_LT(c.up.x, 0.0f);
    EXPECT_NEAR(dot(c.forward, c.forward), 1.0f, 1e-6);
    EXPECT_NEAR(dot(c.up, c.up), 1.0f, 1e-6);
    EXPECT_NEAR(dot(c.up, c.forward), 0.0f, 1e-6);
    EXPECT_NEAR(dot(c.right, c.forward), 0.0f, 1e-6);
    // forward is (-11.2, -1.9305, 0) normalised
    EXPECT_NEAR(c.forward.y / c.forward.x, 1.9305f / 11.2f, 1e-5);
}

TEST(OrbitCamera, PhaseTurnsTheOrbit) {
    const render::Camera c = render::orbit_camera(0.0f, 0.9f, 1.0f);
    EXPECT_FLOAT_EQ(c.eye.x, 11.2f * std::cos(0.9f));
    EXPECT_FLOAT_EQ(c.eye.z, 11.2f * std::sin(0.9f));
    EXPECT_NEAR(c.eye.y, 4.9305f, 1e-4);
}

TEST(OrbitCamera, NarrowViewsPullBack) {
    const float base = render::orbit_camera(0.0f, 0.0f, 1.0f).eye.x;
    EXPECT_EQ(render::orbit_camera(0.0f, 0.0f, 0.85f).eye.x, base);
    EXPECT_EQ(render::orbit_camera(0.0f, 0.0f, 3.0f).eye.x, base);
    EXPECT_NEAR(render::orbit_camera(0.0f, 0.0f, 0.5f).eye.x / base, std::pow(1.7, 0.75), 1e-5);
    EXPECT_NEAR(std::pow(1.7, 0.75), 1.489, 1e-3);
}

TEST(OrbitCamera, TimeMovesItRoundAndBreathes) {
    // a quarter turn: 0.11 t = pi / 2
    const float t = 3.1415927f / 2.0f / 0.11f;
    const render::Camera c = render::orbit_camera(t, 0.0f, 1.0f);
    const float radius = 11.2f + 2.0f * std::sin(0.07f * t);
    EXPECT_NEAR(c.eye.x, 0.0f, 1e-4);
    EXPECT_NEAR(c.eye.z, radius, 1e-4);
    EXPECT_NEAR(c.target.y, 3.0f + 0.35f * std::sin(0.05f * t), 1e-6);
}

TEST(ViewAspect, EmptyHeightCountsAsSquare) {
    EXPECT_EQ(render::view_aspect(1280, 0), 1.0f);
    EXPECT_EQ(render::view_aspect(1280, -5), 1.0f);
    EXPECT_EQ(render::view_aspect(640, 1280), 0.5f);
}

TEST(DistanceFade, FullToSixteenNothingFromFiftyEight) {
    const scene::Vec3 eye = {1.0f, 2.0f, 3.0f};
    EXPECT_EQ(render::distance_fade(eye, eye), 1.0f);
    EXPECT_EQ(render::distance_fade(eye, {1.0f, 18.0f, 3.0f}), 1.0f);
    EXPECT_FLOAT_EQ(render::distance_fade(eye, {38.0f, 2.0f, 3.0f}), 0.5f);
    EXPECT_EQ(render::distance_fade(eye, {1.0f, 2.0f, 61.0f}), 0.0f);
    EXPECT_EQ(render::distance_fade(eye, {1.0f, 2.0f, 300.0f}), 0.0f);
}

}  // namespace
