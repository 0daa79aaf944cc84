// The fast advance against plain stepping: everything the scene step
// writes, and the random state, bit for bit.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "host/run/capture.h"
#include "scene/scene.h"
#include "scene/state.h"
#include "shared/random.h"
#include "shared/run_mode.h"

namespace {

using namespace scene;

struct Snapshot {
    Ornament ornaments[ornament_count];
    Vec3 snow[snow_capacity];
    Spark sparks[spark_count];
    int32_t launch_order[ornament_count];
    float clocks[3];  // scene time, phase time, launch timer
    int32_t counts[3];  // cycle phase, pending count, release counter
    uint32_t random_state;
};

void take(Snapshot& s) {
    std::memcpy(s.ornaments, ornaments, sizeof ornaments);
    std::memcpy(s.snow, snow_positions, sizeof snow_positions);
    std::memcpy(s.sparks, sparks, sizeof sparks);
    std::memcpy(s.launch_order, launch_order, sizeof launch_order);
    s.clocks[0] = scene_time;
    s.clocks[1] = phase_time;
    s.clocks[2] = launch_timer;
    s.counts[0] = cycle_phase;
    s.counts[1] = pending_count;
    s.counts[2] = release_counter;
    s.random_state = shared::random_state;
}

struct Setting {
    int32_t mode;
    int32_t snow;
    float dt;
    float high_flake;  // a flake's height after the layout, 0 to keep the laid-out one
};

void start(const Setting& run) {
    reset_scene_state();
    shared::seed_random(8230);
    layout_scene(run.mode == shared::mode_preview, run.snow != 0);
    if (run.high_flake > 0.0f) snow_positions[7].y = run.high_flake;
}

// Plain stepping stops at marks in uneven strides over three cycles and
// more; the fast advance goes from mark to mark, and once from the start to
// the last mark.
TEST(SceneAdvance, MatchesPlainSteppingBitForBit) {
    const Setting settings[] = {
        {shared::mode_capture, 1, host::capture_step, 0.0f},
        {shared::mode_capture, 0, host::capture_step, 0.0f},
        {shared::mode_preview, 1, host::capture_step, 0.0f},
        {shared::mode_windowed, 1, 0.3f, 0.0f},  // several releases in one step
        {shared::mode_capture, 1, host::capture_step, 500.0f},  // too long a fall to schedule
    };
    const int32_t strides[] = {1, 7, 29, 113, 331, 2};
    for (const Setting& run : settings) {
        SCOPED_TRACE(testing::Message() << "mode " << run.mode << " snow " << run.snow << " dt " << run.dt);
        const int32_t last = static_cast<int32_t>(220.0f / run.dt);
        std::vector<int32_t> marks;
        for (int32_t m = 0, k = 0; m < last; ++k) marks.push_back(m += strides[k % 6]);

        start(run);
        std::vector<Snapshot> plain(marks.size());
        for (int32_t step = 0, k = 0; k < static_cast<int32_t>(marks.size()); ++k) {
            for (; step < marks[k]; ++step) step_scene(run.dt);
            take(plain[k]);
        }

        auto fast = std::make_unique<Snapshot>();
        start(run);
        for (int32_t k = 0; k < static_cast<int32_t>(marks.size()); ++k) {
            advance_scene(run.dt, marks[k] - (k ? marks[k - 1] : 0));
            take(*fast);
            ASSERT_EQ(std::memcmp(fast.get(), &plain[k], sizeof(Snapshot)), 0) << "after " << marks[k] << " steps";
        }
        start(run);
        advance_scene(run.dt, marks.back());
        take(*fast);
        EXPECT_EQ(std::memcmp(fast.get(), &plain.back(), sizeof(Snapshot)), 0);
    }
}

}  // namespace
