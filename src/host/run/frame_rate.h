// The frame-rate counter that --fps shows in a corner of the frames, as
// the stock XScreenSaver hacks do: frames per second and the processor
// load where the host reports it, over the last second or so.
#pragma once
#include <cstdint>

namespace host {

struct FrameRate {
    double window_start;  // seconds on the loop's clock when the count began
    bool shows_cpu;       // the host reports the process's processor time
    double cpu_start;     // the process's processor seconds then
    int32_t frames;       // frames shown since
    char text[32];        // what the corner shows
};

// Starts the count at now (seconds) with cpu_seconds of processor time
// used so far; shows_cpu false where the host reports none (cpu_seconds
// is then ignored). The text shows "FPS:" until the first second is
// counted.
void start_frame_rate(FrameRate* rate, double now, bool shows_cpu, double cpu_seconds);

// After each frame shown: counts it, and once a second or more has passed
// since the count began, sets the text to the frames per second and, where
// the host reports it, the processor time over that span as a share of one
// core ("FPS: 29.8  CPU: 41%", else "FPS: 29.8"), and begins a new count.
void count_frame(FrameRate* rate, double now, double cpu_seconds);

// With the frame drawn and before it is shown: the text in the bottom-left
// corner of the width x height view at (x, y) (an OpenGL viewport), white
// 5 x 7 pixel letters (twice that from 400 pixels high) on a black box.
// Leaves the GL state as it found it.
void draw_frame_rate(const char* text, int32_t x, int32_t y, int32_t width, int32_t height);

}  // namespace host
