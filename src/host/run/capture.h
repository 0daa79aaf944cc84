// Frame capture: the scene after a given simulated time, as one bitmap.
#pragma once
#include <cstdint>

namespace host {

// The fixed capture step, 1/30 s (bit pattern 0x3D088889).
constexpr float capture_step = 1.0f / 30.0f;

// A capture time that the capture clock can reach: the running sum of
// 1/30 s steps stops growing at 2^20 s, so larger and infinite times would
// step forever. Zero, negative and not-a-number times are reachable (no
// step at all).
bool capture_time_reachable(float seconds);

// The number of capture steps that reach seconds: the smallest n for which
// the single-precision running sum of n steps is not below seconds (0 for
// 0, negative or not-a-number seconds; 30 for 1 s, 1801 for 60 s). The
// caller refuses times the sum can never reach.
int32_t capture_steps(float seconds);

// Advances the scene by capture steps while seconds is greater than the
// single-precision running sum of the steps taken, through the scene's fast
// advance (the same scene as stepping it that many times). Returns the
// number of steps (0 for 0, negative or not-a-number seconds; 30 for 1 s,
// 1801 for 60 s). The caller refuses times the sum can never reach.
int32_t advance_capture(float seconds);

// A capture time as a command line gives it: a number of seconds, 0 or
// more, that the capture clock can reach.
enum class CaptureTime {
    usable,
    not_a_number,  // text that does not read as a number as a whole, or not-a-number
    negative,
    unreachable,   // beyond 1048576 s, or infinite
};
CaptureTime read_capture_time(const char* text, float* seconds);

// With a width x height GL context current: advances the scene, renders one
// view over it, reads the back buffer and writes the bitmap to path
// (write_bitmap_file). Returns false when the pixels or the file could not
// be had; then what stood at path stands as it was.
bool capture_frame(float seconds, int32_t width, int32_t height, const char* path);

// Why the last capture_frame failed, as an errno value (0 after success),
// for the hosts that say so. Owned by capture_gl.cpp: written by
// capture_frame, read by the Linux host and the inspection tool.
extern int capture_error;

}  // namespace host
