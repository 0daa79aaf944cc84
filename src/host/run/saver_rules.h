// The saver run's rules as plain arithmetic: music and the seed by mode,
// the exit rules' measures, the time step and pacing.
#pragma once
#include <cstdint>

namespace host {

// Whether a run synthesizes and plays the carol loop: only when music is
// chosen, in full screen, and where the scene is the screensaver itself
// rather than a picture inside another program's window (XScreenSaver's
// settings preview names its window by number, as the Windows preview
// never plays).
bool run_plays_music(int32_t mode, bool music_chosen, bool inside_other_window);

// The seed of a run: 8230 for a capture (so a capture is reproducible),
// otherwise the clock's milliseconds OR 1, an odd value.
uint32_t run_seed(int32_t mode, uint32_t clock_ticks);

// Leaving the application or moving the mouse ends a full-screen run only
// once this long (seconds) has passed since the frame loop began, so that
// the saver's own start does not end it.
constexpr double grace_period = 0.601;

// The preview's wait after each frame (seconds), and the wait between looks
// at the events while the display is off.
constexpr double preview_frame_wait = 0.030;
constexpr double display_off_wait = 0.250;

// The mouse has travelled when it is 9 or more pixels from the first
// position seen, on either axis.
bool mouse_travelled(int32_t ref_x, int32_t ref_y, int32_t x, int32_t y);

// The frame loop's time step: counter ticks over frequency, in single
// precision, capped at 0.05 s (no lower bound).
float frame_time_step(int64_t elapsed_counts, int64_t frequency);

// Pacing where buffer swaps do not wait for the display's retrace (vertical
// sync forced off by the driver, remote sessions, virtual machines, a
// virtual display): the frame loop then waits itself, on its message queue
// so that input still ends the run at once. Where swaps wait, frames take
// a whole retrace and nothing changes.
struct SwapPacing {
    double refresh_period;  // seconds per retrace
    double last_swap;       // when the previous swap returned (seconds)
    int32_t block_frames;   // frames seen in the current block
    double block_seconds;   // and the time they took
    bool paced;             // swaps were seen not to wait: the loop waits itself
    double next_frame_due;  // while paced: when the next frame should start
};

// Frames are judged in blocks of this many (half a second at 60 Hz). Where
// swaps wait, a block takes at least 30 retraces less the few frames a
// driver may queue ahead (3 frames in 30 would make it 0.9 of that); a
// block done in under 0.85 of its retraces shows that swaps do not wait.
enum { frames_per_block = 30 };
constexpr double quick_block_share = 0.85;

// Pacing for a display that reports refresh_hz (0 or 1, the hardware's
// default, count as 60 Hz), starting at now (seconds on a steady clock).
SwapPacing start_swap_pacing(int32_t refresh_hz, double now);

// After each buffer swap, at now: the seconds the loop should wait before
// its next frame; 0 until a block of frames shows that swaps do not wait,
// then whatever keeps the frames one retrace apart. A frame that overran starts the schedule
// again from now rather than hurrying to catch up. Once paced, the loop
// stays paced for the run.
double pace_after_swap(SwapPacing* pacing, double now);

// The console display's state, as the system reports it.
enum : uint32_t {
    display_off = 0,
    display_on = 1,
    display_dimmed = 2,
};

}  // namespace host
