#include <gtest/gtest.h>

#include "host/run/outputs.h"
#include "host/run/saver_rules.h"

namespace {

host::Output monitor(uint32_t id, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t drawable = 0) {
    return {id, drawable, true, left, top, right - left, bottom - top, host::unit_scale, 60000};
}

// A window over the virtual screen with a monitor per view: a 1280 x 1024
// monitor left of a 1920 x 1080 primary and one above it, reported in the
// system's order, take phases 0, 0.9 and 1.8 and their own rectangles of
// the window (y up from the virtual screen's bottom edge); an output not
// placed fills its drawable.
TEST(SaverRules, ViewsPerOutput) {
    host::OutputTable table = {};
    host::ViewRect views[host::max_outputs];
    ASSERT_EQ(host::change_output(&table, monitor(10, 0, 0, 1920, 1080)), 0);
    ASSERT_EQ(host::drawable_views(table, 0, {1920, 1080, 0, 1080}, views), 1);
    EXPECT_EQ(views[0].x, 0);
    EXPECT_EQ(views[0].y, 0);
    EXPECT_EQ(views[0].width, 1920);
    EXPECT_EQ(views[0].height, 1080);
    EXPECT_EQ(views[0].camera_phase, 0.0f);

    host::change_output(&table, monitor(11, -1280, -200, 0, 824));
    host::change_output(&table, monitor(12, 0, -900, 1600, 0));
    ASSERT_EQ(host::drawable_views(table, 0, {3200, 1980, -1280, 1080}, views), 3);
    const host::ViewRect expected[] = {
        {1280, 0, 1920, 1080, 0.0f}, {0, 256, 1280, 1024, 0.9f}, {1280, 1080, 1600, 900, 2.0f * 0.9f}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(views[i].x, expected[i].x) << i;
        EXPECT_EQ(views[i].y, expected[i].y) << i;
        EXPECT_EQ(views[i].width, expected[i].width) << i;
        EXPECT_EQ(views[i].height, expected[i].height) << i;
        EXPECT_EQ(views[i].camera_phase, expected[i].camera_phase) << i;
    }

    host::OutputTable window = {};
    host::change_output(&window, {1, 0, false, 0, 0, 0, 0, host::unit_scale, 0});
    ASSERT_EQ(host::drawable_views(window, 0, {152, 112, 0, 112}, views), 1);
    EXPECT_EQ(views[0].x, 0);
    EXPECT_EQ(views[0].width, 152);
    EXPECT_EQ(views[0].height, 112);
    EXPECT_EQ(host::drawable_refresh_hz(window, 0), 0);
}

// Outputs that come and go: each keeps its phase for its life; a new one
// takes the lowest free slot; the first output is the one with the lowest
// slot; a drawable shows only its own outputs; a change keeps the phase;
// past eight live outputs, and for a drawable out of range, reports are
// left out.
TEST(SaverRules, OutputsKeepTheirPhases) {
    host::OutputTable table = {};
    for (uint32_t id = 1; id <= 3; ++id) host::change_output(&table, monitor(id, 0, 0, 100, 100, id == 3 ? 1 : 0));
    auto phase_of = [&table](uint32_t id) {
        for (int32_t d = 0; d < host::max_outputs; ++d) {
            host::ViewRect views[host::max_outputs];
            int32_t which[host::max_outputs];
            const int32_t count = host::drawable_views(table, d, {100, 100, 0, 100}, views, which);
            for (int32_t i = 0; i < count; ++i) {
                if (table.outputs[which[i]].id == id) return views[i].camera_phase;
            }
        }
        return -1.0f;
    };
    host::ViewRect views[host::max_outputs];
    EXPECT_EQ(host::drawable_views(table, 0, {100, 100, 0, 100}, views), 2);
    EXPECT_EQ(host::drawable_views(table, 1, {100, 100, 0, 100}, views), 1);
    EXPECT_EQ(phase_of(3), 1.8f);

    EXPECT_TRUE(host::remove_output(&table, 1));
    EXPECT_FALSE(host::remove_output(&table, 1));
    EXPECT_EQ(phase_of(1), -1.0f);
    EXPECT_EQ(phase_of(2), 0.9f);
    EXPECT_EQ(phase_of(3), 1.8f);
    EXPECT_EQ(table.outputs[host::first_output(table)].id, 2u);
    EXPECT_FALSE(host::drawable_in_use(table, 2));

    host::change_output(&table, monitor(3, 500, 0, 900, 300, 2));  // moved to another drawable
    EXPECT_FALSE(host::drawable_in_use(table, 1));
    EXPECT_EQ(phase_of(3), 1.8f);
    host::change_output(&table, monitor(4, 0, 0, 100, 100));
    EXPECT_EQ(phase_of(4), 0.0f);
    EXPECT_EQ(table.outputs[host::first_output(table)].id, 4u);
    host::change_output(&table, monitor(5, 0, 0, 100, 100));
    EXPECT_EQ(phase_of(5), 3.0f * 0.9f);

    for (uint32_t id = 6; id <= 12; ++id) host::change_output(&table, monitor(id, 0, 0, 100, 100));
    int32_t live = 0;
    for (bool l : table.live) live += l;
    EXPECT_EQ(live, host::max_outputs);
    EXPECT_EQ(phase_of(12), -1.0f);
    EXPECT_EQ(host::change_output(&table, monitor(13, 0, 0, 10, 10, host::max_outputs)), -1);

    host::OutputTable none = {};
    EXPECT_EQ(host::first_output(none), -1);
    host::change_output(&none, {7, 3, true, 0, 0, 10, 10, host::unit_scale, 59940});
    host::change_output(&none, {8, 3, true, 10, 0, 10, 10, host::unit_scale, 143856});
    EXPECT_EQ(host::drawable_refresh_hz(none, 3), 144);
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

}  // namespace
