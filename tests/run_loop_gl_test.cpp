// The saver run's frame loop on a scripted host: a clock that moves only
// when the host says so, events that arrive at set times, swaps that take
// a set time. The loop draws for real into the null host's small buffer.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "host/null/null_host.h"
#include "host/run/run.h"
#include "music/playback_silent.h"
#include "scene/state.h"
#include "shared/gl.h"
#include "shared/run_mode.h"

namespace {

constexpr int64_t ms = 1000;  // clock counts: microseconds

enum class Kind { input, display };

struct Event {
    int64_t at;
    Kind kind;
    host::RunInput input;
    int32_t x, y;      // mouse_moved
    uint32_t display;  // display state
};

struct Frame {
    int64_t swapped_at;  // when the swap began
    float scene_time;    // after the frame's step
    bool music;          // whether the music played
};

struct Wait {
    int64_t length;  // as asked for
    bool music;
};

// The scripted host. Owned here, reset by each run.
struct Script {
    int64_t now;
    int64_t swap_cost;  // how long each swap takes
    int32_t refresh_hz;
    std::vector<Event> events;
    size_t next_event;
    std::vector<Frame> frames;
    int64_t give_up;  // when the host closes a run that never ends
    std::vector<Wait> waits;
    int32_t width = 32, height = 18;  // the drawable's size
} script;

int64_t fake_clock() { return script.now; }

void deliver_events() {
    while (script.next_event < script.events.size() && script.events[script.next_event].at <= script.now) {
        const Event& e = script.events[script.next_event++];
        if (e.kind == Kind::input) host::run_input(e.input, e.x, e.y);
        if (e.kind == Kind::display) host::run_display_state(e.display);
    }
    // a loop that never ends fails the test rather than hanging it
    if (script.now >= script.give_up) host::run_input(host::RunInput::close);
}

// Sleeps to the deadline, or to the next event when one comes first.
void wait_for_events(int64_t deadline) {
    script.waits.push_back({deadline - script.now, music::silent_playing});
    int64_t until = deadline;
    if (script.next_event < script.events.size() && script.events[script.next_event].at < until)
        until = script.events[script.next_event].at;
    if (until > script.now) script.now = until;
}

void drawable(host::Drawable* d) {
    d->width = script.width;
    d->height = script.height;
}

// Called after each swap of the loop's own frames while set (a test's
// doings between two frames, as a host's events come).
void (*after_swap)() = nullptr;
bool in_after_swap = false;

void swap() {
    script.frames.push_back({script.now, scene::scene_time, music::silent_playing});
    script.now += script.swap_cost;
    if (after_swap && !in_after_swap) {
        in_after_swap = true;
        after_swap();
        in_after_swap = false;
    }
}

int32_t refresh_rate() { return script.refresh_hz; }

constexpr host::HostPrimitives scripted = {fake_clock, 1000 * ms, deliver_events, wait_for_events,
                                           drawable,   swap,      refresh_rate,   nullptr};

host::RunConfig config(int32_t mode, bool music = false) {
    return {mode, true, music, mode == shared::mode_full_screen, 8230};
}

// Runs the saver to its end on the scripted host, the clock starting at
// 1000 s; events are given relative to that. Returns when the run ended,
// relative to the start.
int64_t run(const host::RunConfig& run_config, int64_t swap_cost, std::vector<Event> events, int32_t refresh_hz = 0) {
    constexpr int64_t start = 1000000 * ms;
    for (Event& e : events) e.at += start;
    script = {start, swap_cost, refresh_hz, events, 0, {}, start + 60000 * ms, {}};
    scene::reset_scene_state();  // each run starts its scene clock at 0
    EXPECT_TRUE(host::open_null_host(32, 18));
    EXPECT_EQ(host::run_saver(run_config, scripted, 0.0f, nullptr), 0);
    host::close_null_host();
    for (Frame& f : script.frames) f.swapped_at -= start;
    return script.now - start;
}

// The run ended with the first frame or wait after at (frames here take at
// most 17 ms).
void expect_end_at(int64_t ended, int64_t at) {
    EXPECT_GE(ended, at);
    EXPECT_LE(ended, at + 17 * ms);
}

Event input_at(int64_t at, host::RunInput input, int32_t x = 0, int32_t y = 0) {
    return {at, Kind::input, input, x, y, 0};
}

Event display_at(int64_t at, uint32_t state) { return {at, Kind::display, host::RunInput::close, 0, 0, state}; }

// The step of each frame: the scene time it added.
float step_of(size_t frame) {
    return script.frames[frame].scene_time - (frame ? script.frames[frame - 1].scene_time : 0.0f);
}

// Time steps: the time since the previous frame, the first one's since the
// loop began, capped at 50 ms for a stall.
TEST(FrameLoop, TimeStepsFollowTheClockCappedAt50ms) {
    run(config(shared::mode_windowed), 20 * ms, {input_at(200 * ms, host::RunInput::escape_key)});
    ASSERT_GE(script.frames.size(), 8u);
    EXPECT_EQ(step_of(0), 0.0f);
    for (size_t i = 1; i < script.frames.size(); ++i) EXPECT_NEAR(step_of(i), 0.020f, 1e-6) << i;

    run(config(shared::mode_windowed), 200 * ms, {input_at(900 * ms, host::RunInput::escape_key)});
    ASSERT_GE(script.frames.size(), 3u);
    EXPECT_NEAR(step_of(2), 0.05f, 1e-6);
}

// Swaps that wait for the retrace are never paced; swaps that return at
// once are, after a block of 30 frames, one retrace apart: the refresh
// rate the host reports, 60 Hz where it reports none.
TEST(FrameLoop, PacesWhereSwapsDoNotWait) {
    run(config(shared::mode_full_screen), 16667, {input_at(1000 * ms, host::RunInput::close)});
    EXPECT_TRUE(script.waits.empty());

    for (const int32_t hz : {0, 100}) {
        run(config(shared::mode_windowed), 2 * ms, {input_at(1000 * ms, host::RunInput::close)}, hz);
        const double period = 1.0 / (hz ? hz : 60);
        ASSERT_GT(script.frames.size(), 60u);
        EXPECT_LT(script.frames[29].swapped_at, 29 * 3 * ms);  // the first block unpaced
        for (size_t i = 40; i < script.frames.size(); ++i) {
            const int64_t apart = script.frames[i].swapped_at - script.frames[i - 1].swapped_at;
            ASSERT_NEAR(apart * 1e-6, period, 2e-6) << hz << " Hz, frame " << i;
        }
    }
}

// The preview waits 30 ms after each frame, and an event that ends the run
// ends the wait at once.
TEST(FrameLoop, PreviewWaitsThirtyMillisecondsUntilTheRunEnds) {
    const int64_t ended = run(config(shared::mode_preview), 1 * ms, {input_at(505 * ms, host::RunInput::close)});
    ASSERT_GE(script.frames.size(), 10u);
    for (size_t i = 1; i < script.frames.size(); ++i)
        EXPECT_EQ(script.frames[i].swapped_at - script.frames[i - 1].swapped_at, 31 * ms) << i;
    EXPECT_EQ(ended, 505 * ms);
}

// A chosen delay holds the frames at least that far apart, start to start,
// also with the frame rate shown; a frame slower than the delay is not held
// further.
TEST(FrameLoop, ADelayHoldsFramesApart) {
    for (const int64_t swap_cost : {20 * ms, 150 * ms}) {
        host::RunConfig delayed = config(shared::mode_windowed);
        delayed.frame_delay_us = 100000;
        delayed.show_fps = true;
        run(delayed, swap_cost, {input_at(1000 * ms, host::RunInput::escape_key)});
        ASSERT_GE(script.frames.size(), 6u);
        for (size_t i = 1; i < script.frames.size(); ++i)
            EXPECT_EQ(script.frames[i].swapped_at - script.frames[i - 1].swapped_at,
                      swap_cost < 100 * ms ? 100 * ms : swap_cost)
                << i;
    }
}

// With the display off no frame is drawn and the music stops; the loop
// looks at its events four times a second; the display back on draws again
// at once and plays the music from its start.
TEST(FrameLoop, DisplayOffPausesFramesAndMusic) {
    run(config(shared::mode_full_screen, true), 10 * ms,
        {display_at(100 * ms, host::display_off), display_at(1100 * ms, host::display_on),
         input_at(1500 * ms, host::RunInput::other_key)});
    size_t before = 0;
    for (const Frame& f : script.frames) {
        EXPECT_TRUE(f.swapped_at < 100 * ms || f.swapped_at >= 1100 * ms) << f.swapped_at;
        EXPECT_TRUE(f.music) << f.swapped_at;
        before += f.swapped_at < 100 * ms;
    }
    EXPECT_EQ(before, 10u);
    ASSERT_GE(script.frames.size(), before + 20);
    EXPECT_EQ(script.frames[before].swapped_at, 1100 * ms);
    int quarter_waits = 0;
    for (const Wait& w : script.waits) {
        if (w.length != 250 * ms) continue;
        ++quarter_waits;
        EXPECT_FALSE(w.music);
    }
    EXPECT_EQ(quarter_waits, 4);
    EXPECT_FALSE(music::silent_playing);  // stopped at the end
}

// What a standing run showed: its pixels before and after its redraws, and
// its scene time at each turn.
struct Standing {
    std::vector<uint8_t> shown, redrawn;
    float stood_at, after_redraws;
    size_t frame;  // the frame after which it stood
} standing;

std::vector<uint8_t> pixels() {
    std::vector<uint8_t> rgba(32 * 18 * 4);
    glReadPixels(0, 0, 32, 18, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

// After the 30th frame the run stands for 11 s (the page paused): it is
// drawn again at another size and, 3 s later, at its own; then it resumes.
void stand_after_frame_30() {
    if (script.frames.size() != 30) return;
    standing = {pixels(), {}, scene::scene_time, 0.0f, script.frames.size()};
    script.now += 3000 * ms;
    script.width = 20;
    script.height = 30;
    host::run_redraw();
    script.now += 3000 * ms;
    script.width = 32;
    script.height = 18;
    host::run_redraw();
    standing.redrawn = pixels();
    standing.after_redraws = scene::scene_time;
    script.now += 5000 * ms;
    host::run_resume();
}

// A run that stands still: drawn again at another size and back, long
// after, it shows the same pixels at the same moment, no step taken;
// resumed, it steps from where it stood (not by the stand's 11 s, which
// would be a capped 50 ms step).
TEST(FrameLoop, AStandingRunRedrawsTheSameMomentAndResumesFromIt) {
    after_swap = stand_after_frame_30;
    run(config(shared::mode_windowed), 20 * ms, {input_at(12000 * ms, host::RunInput::close)});
    after_swap = nullptr;
    ASSERT_EQ(standing.frame, 30u);
    EXPECT_TRUE(standing.redrawn == standing.shown);
    EXPECT_EQ(standing.after_redraws, standing.stood_at);
    // the redraws' own swaps are the two records after the 30 frames
    ASSERT_GE(script.frames.size(), 35u);
    EXPECT_EQ(script.frames[30].scene_time, standing.stood_at);
    EXPECT_EQ(script.frames[31].scene_time, standing.stood_at);
    EXPECT_LT(script.frames[32].scene_time - standing.stood_at, 0.03f);
    EXPECT_GT(script.frames[34].scene_time, standing.stood_at);
}

// Full screen: a key or button ends the run at once, also one queued
// before the first frame; leaving the application and mouse travel of 9
// pixels or more from the first position only from 601 ms on; a jiggle of
// 8 never. A window: only Escape and closing.
TEST(FrameLoop, ExitRules) {
    using host::RunInput;
    const host::RunConfig saver = config(shared::mode_full_screen);
    EXPECT_EQ(run(saver, 10 * ms, {input_at(0, RunInput::other_key)}), 0);
    EXPECT_TRUE(script.frames.empty());
    expect_end_at(run(saver, 10 * ms, {input_at(55 * ms, RunInput::button)}), 55 * ms);
    expect_end_at(
        run(saver, 10 * ms, {input_at(300 * ms, RunInput::deactivated), input_at(700 * ms, RunInput::deactivated)}),
        700 * ms);
    const std::vector<Event> mouse = {
        input_at(100 * ms, RunInput::mouse_moved, 500, 500), input_at(200 * ms, RunInput::mouse_moved, 508, 492),
        input_at(300 * ms, RunInput::mouse_moved, 550, 500), input_at(650 * ms, RunInput::mouse_moved, 508, 508),
        input_at(800 * ms, RunInput::mouse_moved, 509, 500), input_at(900 * ms, RunInput::close)};
    expect_end_at(run(saver, 10 * ms, mouse), 800 * ms);

    const host::RunConfig window = config(shared::mode_windowed);
    expect_end_at(run(window, 10 * ms,
                      {input_at(100 * ms, RunInput::other_key), input_at(200 * ms, RunInput::button),
                       input_at(700 * ms, RunInput::deactivated), input_at(800 * ms, RunInput::mouse_moved, 0, 0),
                       input_at(810 * ms, RunInput::mouse_moved, 900, 900), input_at(900 * ms, RunInput::escape_key)}),
                  900 * ms);
    expect_end_at(run(window, 10 * ms, {input_at(300 * ms, RunInput::close)}), 300 * ms);
}

}  // namespace
