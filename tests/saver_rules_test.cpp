#include <gtest/gtest.h>

#include "host/run/saver_rules.h"
#include "shared/random.h"

namespace {

TEST(SaverRules, ViewsPerMonitor) {
    host::ViewRect views[host::max_monitors];
    const host::MonitorRect one[] = {{0, 0, 1920, 1080}};
    ASSERT_EQ(host::frame_views(true, one, 1, 0, 1080, 1920, 1080, views), 1);
    EXPECT_EQ(views[0].width, 1920);
    // a 1280 x 1024 monitor left of a 1920 x 1080 primary and one above it:
    // the virtual screen spans (-1280, -900) to (1920, 1080)
    const host::MonitorRect three[] = {{0, 0, 1920, 1080}, {-1280, -200, 0, 824}, {0, -900, 1600, 0}};
    ASSERT_EQ(host::frame_views(false, three, 3, -1280, 1080, 152, 112, views), 1);  // not full screen
    EXPECT_EQ(views[0].height, 112);
    ASSERT_EQ(host::frame_views(true, three, 3, -1280, 1080, 3200, 1980, views), 3);
    const host::ViewRect expected[] = {
        {1280, 0, 1920, 1080, 0.0f}, {0, 256, 1280, 1024, 0.9f}, {1280, 1080, 1600, 900, 2.0f * 0.9f}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(views[i].x, expected[i].x) << i;
        EXPECT_EQ(views[i].y, expected[i].y) << i;
        EXPECT_EQ(views[i].width, expected[i].width) << i;
        EXPECT_EQ(views[i].height, expected[i].height) << i;
        EXPECT_EQ(views[i].camera_phase, expected[i].camera_phase) << i;
    }
}

// Swaps that wait (frames a retrace apart, or a driver queueing three frames
// ahead now and then) never pace; swaps that return at once pace after a
// block of 30 quick frames, even frames of 11 and 14 ms on 60 Hz, to one
// retrace (60 Hz on a report of 0) with no hurry after an overrun.
TEST(SaverRules, PacingOnlyWhereSwapsDoNotWait) {
    host::SwapPacing waits = host::start_swap_pacing(144, 0.0);
    double now = 0.0;
    for (int i = 0; i < 300; ++i) {
        now += i % 40 < 3 ? 0.001 : 1.0 / 144;
        ASSERT_EQ(host::pace_after_swap(&waits, now), 0.0) << i;
    }
    host::SwapPacing uneven = host::start_swap_pacing(60, 0.0);
    now = 0.0;
    for (int i = 0; i < host::frames_per_block - 1; ++i) {
        now += i % 2 ? 0.014 : 0.011;
        ASSERT_EQ(host::pace_after_swap(&uneven, now), 0.0) << i;
    }
    EXPECT_NEAR(host::pace_after_swap(&uneven, now + 0.011), 1.0 / 60, 1e-9);

    host::SwapPacing quick = host::start_swap_pacing(0, 0.0);
    now = 0.0;
    for (int i = 0; i < 100; ++i) {
        now += i == 60 ? 0.1 : 0.002;  // 2 ms frames, one of 100 ms
        const double wait = host::pace_after_swap(&quick, now);
        if (i < host::frames_per_block - 1 || i == 60) {
            ASSERT_EQ(wait, 0.0) << i;
        } else {
            ASSERT_NEAR(wait, 1.0 / 60 - (i == host::frames_per_block - 1 ? 0.0 : 0.002), 1e-9) << i;
        }
        now += wait;
    }
}

TEST(RandomSource, XorshiftWordsAndUnitValues) {
    shared::seed_random(1);
    EXPECT_EQ(shared::random_word(), 270369u);
    EXPECT_EQ(shared::random_word(), 67634689u);
    shared::seed_random(8230);
    const uint32_t word = shared::random_word();
    shared::seed_random(8230);
    EXPECT_EQ(shared::random_range(-3.0f, 5.0f), -3.0f + 8.0f * (static_cast<float>(word & 0xFFFFFF) / 16777216.0f));
}

}  // namespace
