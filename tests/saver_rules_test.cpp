#include <gtest/gtest.h>

#include "host/random.h"
#include "host/saver_rules.h"

namespace {

TEST(SaverRules, GracePeriodIsMoreThan600ms) {
    EXPECT_FALSE(host::grace_period_over(1000, 1000));
    EXPECT_FALSE(host::grace_period_over(1600, 1000));
    EXPECT_TRUE(host::grace_period_over(1601, 1000));
    // the tick count wraps after 49.7 days
    EXPECT_FALSE(host::grace_period_over(100, 0xFFFFFF00u));
    EXPECT_TRUE(host::grace_period_over(400, 0xFFFFFF00u));
    // messages seen while the scene is built compare against a start of 0
    EXPECT_TRUE(host::grace_period_over(5000, 0));
}

TEST(SaverRules, MouseTravelIsNineOrMorePixelsOnEitherAxis) {
    EXPECT_FALSE(host::mouse_travelled(100, 100, 108, 92));
    EXPECT_FALSE(host::mouse_travelled(100, 100, 92, 108));
    EXPECT_TRUE(host::mouse_travelled(100, 100, 109, 100));
    EXPECT_TRUE(host::mouse_travelled(100, 100, 100, 91));
    EXPECT_TRUE(host::mouse_travelled(-2147483647 - 1, 0, 2147483647, 0));
}

TEST(SaverRules, OneViewUnlessFullScreenOverSeveralMonitors) {
    host::ViewRect views[host::max_monitors];
    const host::MonitorRect one[] = {{0, 0, 1920, 1080}};
    ASSERT_EQ(host::frame_views(true, one, 1, 0, 1080, 1920, 1080, views), 1);
    EXPECT_EQ(views[0].width, 1920);
    EXPECT_EQ(views[0].height, 1080);
    EXPECT_EQ(views[0].camera_phase, 0.0f);
    const host::MonitorRect two[] = {{0, 0, 800, 600}, {800, 0, 1600, 600}};
    ASSERT_EQ(host::frame_views(false, two, 2, 0, 600, 152, 112, views), 1);
    EXPECT_EQ(views[0].x, 0);
    EXPECT_EQ(views[0].width, 152);
    EXPECT_EQ(views[0].height, 112);
}

TEST(SaverRules, MonitorViewsSitOnTheirMonitors) {
    // a 1280 x 1024 secondary left of a 1920 x 1080 primary, and a third
    // above the primary: the virtual screen spans (-1280, -900) to (1920, 1080)
    const host::MonitorRect monitors[] = {
        {0, 0, 1920, 1080}, {-1280, -200, 0, 824}, {0, -900, 1600, 0}};
    const int32_t virtual_left = -1280, virtual_bottom = -900 + 1980;
    host::ViewRect views[host::max_monitors];
    ASSERT_EQ(host::frame_views(true, monitors, 3, virtual_left, virtual_bottom, 3200, 1980, views),
              3);
    EXPECT_EQ(views[0].x, 1280);
    EXPECT_EQ(views[0].y, 0);
    EXPECT_EQ(views[0].width, 1920);
    EXPECT_EQ(views[0].height, 1080);
    EXPECT_EQ(views[1].x, 0);
    EXPECT_EQ(views[1].y, 1080 - 824);
    EXPECT_EQ(views[1].height, 1024);
    EXPECT_EQ(views[2].x, 1280);
    EXPECT_EQ(views[2].y, 1080);
    EXPECT_EQ(views[2].height, 900);
    EXPECT_EQ(views[0].camera_phase, 0.0f);
    EXPECT_EQ(views[1].camera_phase, 0.9f);
    EXPECT_EQ(views[2].camera_phase, 2.0f * 0.9f);
}

TEST(SaverRules, TimeStepIsCappedAt50ms) {
    EXPECT_EQ(host::frame_time_step(0, 10000000), 0.0f);
    EXPECT_FLOAT_EQ(host::frame_time_step(166667, 10000000), 0.0166667f);
    EXPECT_EQ(host::frame_time_step(2000000, 10000000), 0.05f);  // a 200 ms frame
}

TEST(RandomSource, XorshiftSequenceAndUnitValues) {
    host::seed_random(1);
    EXPECT_EQ(host::random_word(), 270369u);
    EXPECT_EQ(host::random_word(), 67634689u);
    host::seed_random(8230);
    const uint32_t word = host::random_word();
    host::seed_random(8230);
    EXPECT_EQ(host::random_unit(), static_cast<float>(word & 0xFFFFFF) / 16777216.0f);
    host::seed_random(8230);
    const float u = host::random_unit();
    host::seed_random(8230);
    EXPECT_EQ(host::random_range(-3.0f, 5.0f), -3.0f + 8.0f * u);
    for (int i = 0; i < 10000; ++i) {
        const float v = host::random_unit();
        ASSERT_GE(v, 0.0f);
        ASSERT_LT(v, 1.0f);
    }
}

}  // namespace
