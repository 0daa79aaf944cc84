// The camera's motion shows in the image tests; here its edge cases.
#include <gtest/gtest.h>

#include "render/camera.h"

namespace {

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
