// The saver run's frame loop on a scripted host: a clock that moves only
// when the host says so, events (input, outputs that come and go, frame
// callbacks) that arrive at set times, presents that take a set time. The
// loop draws for real into the null host's small buffer, every drawable
// into the same one.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "host/null/null_host.h"
#include "host/run/run.h"
#include "music/playback_silent.h"
#include "render/render.h"
#include "scene/state.h"
#include "shared/gl.h"
#include "shared/run_mode.h"

namespace {

constexpr int64_t ms = 1000;  // clock counts: microseconds

// The null host's buffer, which every drawable draws into: two outputs'
// views side by side where the script tells views apart, else a smaller
// one (views past it draw nothing).
constexpr int32_t buffer_width = 64, buffer_height = 36;
constexpr int32_t small_width = 32, small_height = 18;

enum class Kind { input, display, output_changed, output_removed, frame_callback };

struct Event {
    int64_t at;
    Kind kind;
    host::RunInput input;
    int32_t x, y;         // mouse_moved
    uint32_t display;     // display state
    host::Output output;  // output_changed; output_removed: its id; frame_callback: its drawable
};

struct Frame {
    int32_t drawable;
    int64_t swapped_at;  // when the present began
    float scene_time;    // after the frame's step
    bool music;          // whether the music played
    int64_t looks;       // the host's looks at its events so far: presents between two looks are one frame's
    // where the script looks: the camera phase each placed output's view
    // showed, by output id (-1: none of the candidates)
    std::vector<std::pair<uint32_t, float>> phases;
};

struct Wait {
    int64_t length;  // as asked for
    bool music;
};

// The scripted host. Owned here, reset by each run.
struct Script {
    int64_t now;
    int64_t swap_cost;                  // how long each present takes
    std::vector<host::Output> outputs;  // live, as the host has reported them
    std::vector<Event> events;
    size_t next_event;
    std::vector<Frame> frames;
    int64_t give_up;  // when the host closes a run that never ends
    std::vector<Wait> waits;
    bool ready[host::max_outputs];  // by drawable: a frame callback came since its present
    bool identify;                  // tell each view's phase by its pixels
    int64_t looks;                  // calls of deliver_events
} script;

int64_t fake_clock() { return script.now; }

void report_outputs() {
    for (const host::Output& o : script.outputs) host::run_output_changed(o);
}

void deliver_events() {
    ++script.looks;
    while (script.next_event < script.events.size() && script.events[script.next_event].at <= script.now) {
        const Event& e = script.events[script.next_event++];
        switch (e.kind) {
            case Kind::input:
                host::run_input(e.input, e.x, e.y);
                break;
            case Kind::display:
                host::run_display_state(e.display);
                break;
            case Kind::output_changed: {
                bool known = false;
                for (host::Output& o : script.outputs) {
                    if (o.id == e.output.id) o = e.output, known = true;
                }
                if (!known) script.outputs.push_back(e.output);
                host::run_output_changed(e.output);
                break;
            }
            case Kind::output_removed:
                for (size_t i = 0; i < script.outputs.size(); ++i) {
                    if (script.outputs[i].id == e.output.id) script.outputs.erase(script.outputs.begin() + i--);
                }
                host::run_output_removed(e.output.id);
                break;
            case Kind::frame_callback:
                script.ready[e.output.drawable] = true;
                break;
        }
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

bool drawable_ready(int32_t drawable) { return script.ready[drawable]; }

void begin_drawable(int32_t, host::DrawableArea* area) { *area = {buffer_width, buffer_height, 0, buffer_height}; }

std::vector<uint8_t> pixels(int32_t x, int32_t y, int32_t width, int32_t height) {
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

// The phase each placed output's view on drawable shows: its pixels as
// drawn, against the scene drawn again into its rectangle at each
// candidate phase.
std::vector<std::pair<uint32_t, float>> view_phases(int32_t drawable) {
    std::vector<std::pair<uint32_t, float>> found;
    std::vector<std::vector<uint8_t>> drawn;
    for (const host::Output& o : script.outputs) {
        if (o.placed && o.drawable == drawable)
            drawn.push_back(pixels(o.left, buffer_height - o.top - o.height, o.width, o.height));
    }
    size_t next = 0;
    for (const host::Output& o : script.outputs) {
        if (!o.placed || o.drawable != drawable) continue;
        float phase = -1.0f;
        for (const float candidate : {0.0f, 0.9f, 1.8f, 2.7f}) {
            const int32_t y = buffer_height - o.top - o.height;
            render::render_view(o.left, y, o.width, o.height, candidate);
            if (pixels(o.left, y, o.width, o.height) == drawn[next]) phase = candidate;
        }
        found.push_back({o.id, phase});
        ++next;
    }
    return found;
}

void present(int32_t drawable) {
    Frame frame = {drawable, script.now, scene::scene_time, music::silent_playing, script.looks, {}};
    if (script.identify) frame.phases = view_phases(drawable);
    script.frames.push_back(frame);
    script.ready[drawable] = false;
    script.now += script.swap_cost;
}

// One swap for all, ready at any time and paced by the run; and a host
// whose drawables take frames when their frame callbacks come.
constexpr host::HostPrimitives scripted = {fake_clock, 1000 * ms,      deliver_events, wait_for_events, report_outputs,
                                           nullptr,    begin_drawable, present,        false,           nullptr};
constexpr host::HostPrimitives with_callbacks = {fake_clock,     1000 * ms,      deliver_events, wait_for_events,
                                                 report_outputs, drawable_ready, begin_drawable, present,
                                                 true,           nullptr};

host::RunConfig config(int32_t mode, bool music = false) {
    return {mode, true, music, mode == shared::mode_full_screen, 8230};
}

// An output that fills drawable 0, at refresh_hz.
host::Output whole(int32_t refresh_hz = 0) { return {1, 0, false, 0, 0, 0, 0, host::unit_scale, refresh_hz * 1000}; }

// A placed output: its rectangle of the buffer (y down), at 60 Hz.
host::Output placed(uint32_t id, int32_t left, int32_t top, int32_t width, int32_t height, int32_t drawable = 0) {
    return {id, drawable, true, left, top, width, height, host::unit_scale, 60000};
}

// Runs the saver to its end on a scripted host, the clock starting at
// 1000 s, with the outputs reported at the start; events are given
// relative to that. Returns when the run ended, relative to the start.
int64_t run(const host::RunConfig& run_config, int64_t swap_cost, std::vector<Event> events,
            std::vector<host::Output> outputs = {whole()}, const host::HostPrimitives& primitives = scripted) {
    constexpr int64_t start = 1000000 * ms;
    for (Event& e : events) e.at += start;
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.at < b.at; });
    const bool identify = script.identify;
    script = {start, swap_cost, outputs, events, 0, {}, start + 60000 * ms, {}, {}, identify, 0};
    scene::reset_scene_state();  // each run starts its scene clock at 0
    EXPECT_TRUE(identify ? host::open_null_host(buffer_width, buffer_height)
                         : host::open_null_host(small_width, small_height));
    EXPECT_EQ(host::run_saver(run_config, primitives, 0.0f, nullptr), 0);
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
    return {at, Kind::input, input, x, y, 0, {}};
}

Event display_at(int64_t at, uint32_t state) { return {at, Kind::display, host::RunInput::close, 0, 0, state, {}}; }

Event output_at(int64_t at, const host::Output& output) {
    return {at, Kind::output_changed, host::RunInput::close, 0, 0, 0, output};
}

Event removed_at(int64_t at, uint32_t id) {
    host::Output gone = {};
    gone.id = id;
    return {at, Kind::output_removed, host::RunInput::close, 0, 0, 0, gone};
}

// Frame callbacks for drawable every period from 0 to until.
void callbacks(std::vector<Event>* events, int32_t drawable, int64_t period, int64_t until) {
    host::Output which = {};
    which.drawable = drawable;
    for (int64_t at = 0; at < until; at += period)
        events->push_back({at, Kind::frame_callback, host::RunInput::close, 0, 0, 0, which});
}

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
        run(config(shared::mode_windowed), 2 * ms, {input_at(1000 * ms, host::RunInput::close)}, {whole(hz)});
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

// Monitors that come, go and move while the run goes on: each view shows
// its output's own camera phase for the output's whole life, whatever
// comes or goes beside it; a new output takes the lowest free phase; a
// moved output's view moves with it; with no output left nothing is drawn;
// the music plays on throughout.
TEST(FrameLoop, OutputsComeAndGoKeepingTheirCameras) {
    script.identify = true;
    const host::Output left = placed(1, 0, 0, 32, 36), right = placed(2, 32, 0, 32, 36);
    run(config(shared::mode_full_screen, true), 20 * ms,
        {removed_at(100 * ms, 1), output_at(200 * ms, placed(3, 0, 0, 32, 36)), removed_at(300 * ms, 3),
         output_at(300 * ms, placed(2, 0, 0, 32, 36)), removed_at(400 * ms, 2),
         output_at(500 * ms, placed(4, 32, 0, 32, 36)), output_at(500 * ms, placed(5, 0, 0, 32, 36)),
         input_at(600 * ms, host::RunInput::other_key)},
        {left, right});
    script.identify = false;
    using Phases = std::vector<std::pair<uint32_t, float>>;
    const struct {
        int64_t from, to;
        Phases phases;
    } spans[] = {
        {0, 100 * ms, {{1, 0.0f}, {2, 0.9f}}},        {100 * ms, 200 * ms, {{2, 0.9f}}},
        {200 * ms, 300 * ms, {{2, 0.9f}, {3, 0.0f}}}, {300 * ms, 400 * ms, {{2, 0.9f}}},  // moved to the left half
        {500 * ms, 600 * ms, {{4, 0.0f}, {5, 0.9f}}},
    };
    for (const auto& span : spans) {
        int frames = 0;
        for (const Frame& f : script.frames) {
            if (f.swapped_at < span.from || f.swapped_at >= span.to) continue;
            ++frames;
            EXPECT_EQ(f.phases, span.phases) << f.swapped_at;
            EXPECT_TRUE(f.music) << f.swapped_at;
        }
        EXPECT_GE(frames, 4) << span.from;
    }
    for (const Frame& f : script.frames)
        EXPECT_FALSE(f.swapped_at >= 400 * ms && f.swapped_at < 500 * ms) << f.swapped_at;
}

// Drawables that take frames when their frame callbacks come: one whose
// callbacks never come holds nothing back (the other draws at each of its
// callbacks, no more, no later), and input or a stop ends the run within
// a frame period, also when no drawable is ready at all.
TEST(FrameLoop, AnOutputNeverReadyHoldsNothingBack) {
    std::vector<Event> events = {input_at(505 * ms, host::RunInput::close)};
    callbacks(&events, 0, 16667, 2000 * ms);
    const int64_t ended = run(config(shared::mode_full_screen), 2 * ms, events,
                              {placed(1, 0, 0, 32, 36), placed(2, 32, 0, 32, 36, 1)}, with_callbacks);
    expect_end_at(ended, 505 * ms);
    ASSERT_EQ(script.frames.size(), 31u);  // callbacks at 0, 16.667 ... 500.01 ms
    for (size_t i = 0; i < script.frames.size(); ++i) {
        EXPECT_EQ(script.frames[i].drawable, 0) << i;
        EXPECT_EQ(script.frames[i].swapped_at, static_cast<int64_t>(i) * 16667) << i;
    }

    expect_end_at(run(config(shared::mode_full_screen), 2 * ms, {input_at(505 * ms, host::RunInput::close)},
                      {placed(2, 32, 0, 32, 36, 1)}, with_callbacks),
                  505 * ms);
    EXPECT_TRUE(script.frames.empty());
}

// Pacing holds per drawable: where presents return at once, each is paced
// to the refresh rate of its own output; a chosen delay holds each
// drawable's frames apart on its own; and the scene steps once per frame of
// the run, however many drawables draw in it (its time keeps to the
// clock).
TEST(FrameLoop, PacingHoldsPerOutput) {
    host::Output slow = placed(1, 0, 0, 32, 36), fast = placed(2, 32, 0, 32, 36, 1);
    fast.refresh_mhz = 100000;
    run(config(shared::mode_full_screen), 1, {input_at(1000 * ms, host::RunInput::close)}, {slow, fast});
    for (const int32_t drawable : {0, 1}) {
        std::vector<int64_t> at;
        for (const Frame& f : script.frames) {
            if (f.drawable == drawable) at.push_back(f.swapped_at);
        }
        ASSERT_GT(at.size(), 50u) << drawable;
        const double period = drawable ? 0.010 : 1.0 / 60;
        for (size_t i = 40; i < at.size(); ++i)
            ASSERT_NEAR((at[i] - at[i - 1]) * 1e-6, period, 2e-6) << drawable << " " << i;
    }
    for (const Frame& f : script.frames) ASSERT_NEAR(f.scene_time, f.swapped_at * 1e-6, 0.0015) << f.swapped_at;

    std::vector<Event> events = {input_at(1000 * ms, host::RunInput::close)};
    callbacks(&events, 0, 10 * ms, 2000 * ms);
    callbacks(&events, 1, 33 * ms, 2000 * ms);
    host::RunConfig delayed = config(shared::mode_full_screen);
    delayed.frame_delay_us = 25000;
    run(delayed, 1 * ms, events, {slow, fast}, with_callbacks);
    for (const int32_t drawable : {0, 1}) {
        std::vector<int64_t> at;
        for (const Frame& f : script.frames) {
            if (f.drawable == drawable) at.push_back(f.swapped_at);
        }
        ASSERT_GT(at.size(), 20u) << drawable;
        // the first drawable draws first in a frame; the second may wait
        // for its present (1 ms)
        for (size_t i = 2; i < at.size(); ++i) {
            if (drawable == 0) {
                EXPECT_EQ(at[i] - at[i - 1], 25 * ms) << i;
            } else {
                EXPECT_NEAR(at[i] - at[i - 1], 33 * ms, 1 * ms) << i;
            }
        }
    }
    // where both drew in one frame of the run: one moment of the scene
    int shared_frames = 0;
    for (size_t i = 1; i < script.frames.size(); ++i) {
        const Frame &a = script.frames[i - 1], &b = script.frames[i];
        if (a.looks != b.looks) continue;
        ++shared_frames;
        EXPECT_EQ(a.scene_time, b.scene_time) << a.swapped_at;
    }
    EXPECT_GE(shared_frames, 2);
}

}  // namespace
