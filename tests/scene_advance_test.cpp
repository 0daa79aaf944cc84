// The fast advance against plain stepping: everything the scene step
// writes, and the random state, bit for bit.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "host/run/capture.h"
#include "scene/scene.h"
#include "scene/state.h"
#include "shared/random.h"
#include "shared/run_mode.h"

namespace {

using namespace scene;

uint32_t fnv(uint32_t hash, const void* p, size_t size) {
    for (size_t i = 0; i < size; ++i) hash = (hash ^ static_cast<const uint8_t*>(p)[i]) * 16777619u;
    return hash;
}

// FNV-1a over everything the scene step writes, and the random state.
uint32_t scene_checksum() {
    const float clocks[3] = {scene_time, phase_time, launch_timer};
    const int32_t counts[3] = {cycle_phase, pending_count, release_counter};
    uint32_t hash = fnv(2166136261u, ornaments, sizeof ornaments);
    hash = fnv(hash, snow_positions, sizeof snow_positions);
    hash = fnv(hash, sparks, sizeof sparks);
    hash = fnv(hash, launch_order, sizeof launch_order);
    hash = fnv(hash, clocks, sizeof clocks);
    hash = fnv(hash, counts, sizeof counts);
    return fnv(hash, &shared::random_state, sizeof shared::random_state);
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
        {shared::mode_windowed, 1, 0.3f, 0.0f},                 // several releases in one step
        {shared::mode_capture, 1, host::capture_step, 500.0f},  // too long a fall to schedule
    };
    const int32_t strides[] = {1, 7, 29, 113, 331, 2};
    for (const Setting& run : settings) {
        SCOPED_TRACE(testing::Message() << "mode " << run.mode << " snow " << run.snow << " dt " << run.dt);
        const int32_t last = static_cast<int32_t>(220.0f / run.dt);
        std::vector<int32_t> marks;
        for (int32_t m = 0, k = 0; m < last; ++k) marks.push_back(m += strides[k % 6]);

        start(run);
        std::vector<uint32_t> plain;
        for (int32_t step = 0, k = 0; k < static_cast<int32_t>(marks.size()); ++k) {
            for (; step < marks[k]; ++step) step_scene(run.dt);
            plain.push_back(scene_checksum());
        }

        start(run);
        for (int32_t k = 0; k < static_cast<int32_t>(marks.size()); ++k) {
            advance_scene(run.dt, marks[k] - (k ? marks[k - 1] : 0));
            ASSERT_EQ(scene_checksum(), plain[k]) << "after " << marks[k] << " steps";
        }
        start(run);
        advance_scene(run.dt, marks.back());
        EXPECT_EQ(scene_checksum(), plain.back());
    }
}

// The capture seed's scene as laid out and after 220 s of capture steps,
// by checksum: every capture time shows what it showed before.
TEST(SceneAdvance, CapturesShowWhatTheyShowedBefore) {
    start({shared::mode_capture, 1, host::capture_step, 0.0f});
    const uint32_t laid = fnv(fnv(scene_checksum(), bulbs, sizeof bulbs), sky_stars, sizeof sky_stars);
    EXPECT_EQ(fnv(laid, snow_speeds, sizeof snow_speeds), 1025126674u);
    advance_scene(host::capture_step, 6600);
    EXPECT_EQ(scene_checksum(), 1158184363u);
}

}  // namespace
