// Frame capture: the scene after a given simulated time, as one bitmap.
#pragma once
#include <cstdint>
#include <string>

#include "host/run/output_file.h"

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
    unreachable,  // beyond 1048576 s as written (1048576.0000001 too), or infinite
};
CaptureTime read_capture_time(const char* text, float* seconds);

// Whether the number at the start of text, as written, is at most
// 1048576 s: single precision would round 1048576.0000001 down to a time
// the clock reaches, yet the request asks for more. Text without a number
// at its start (a time of 0) passes.
bool capture_time_text_reachable(const char* text);

// The name rule: the capture file's name, as UTF-8, fits the 260-byte
// buffer of the Windows program with its terminator (259 bytes at most).
bool capture_name_fits(const char* file);

// The check that the Linux program and the inspection tool make on a
// capture request (the time read whole, then the name; the Windows program
// reads its time as _wtof does and checks the same rules one by one).
enum class CaptureRequest {
    usable,
    not_a_number,
    negative,
    unreachable,
    name_too_long,
};
CaptureRequest check_capture_request(const char* seconds_text, const char* file, float* seconds);

// The one-line refusal of a request that is not usable, without the
// program's name: "SECONDS must be a number, 0 or more" and so on, the
// text shown cut and escaped (shown_text).
std::string capture_request_message(CaptureRequest request, const char* seconds_text, const char* file);

// With a width x height GL context current: advances the scene, renders one
// view over it, reads the back buffer and writes the bitmap to path
// (write_bitmap_file). Returns why it could not be written (fault none when
// it was); then what stood at path stands as it was.
CaptureError capture_frame(float seconds, int32_t width, int32_t height, const char* path);

// Why the capture of path failed, as one line without the program's name:
// "cannot write PATH: No space left on device", "cannot write in the
// folder FOLDER: Permission denied".
std::string capture_error_message(const char* path, const CaptureError& error);

}  // namespace host
