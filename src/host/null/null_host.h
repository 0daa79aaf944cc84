// The null host: the saver run with no window and no sound, in an EGL
// context with no window (under node, where the inspection tool also runs, on
// the browser build's OpenGL layer drawing nothing). The inspection tool
// and the image tests run the real start-up and the real capture through
// it.
#pragma once
#include <cstdint>

#include "host/run/run.h"

namespace host {

// Makes the off-screen context current (RGBA, a 24-bit depth buffer, as
// the saver's pixel format asks), drawing into a width x height buffer. The
// context is made once and kept, so textures and display lists survive a
// new size. False when EGL gives no context.
bool open_null_host(int32_t width, int32_t height);

// Lets go of the context and its buffer.
void close_null_host();

// The buffer's size: written by open_null_host, read by the primitives.
// Owned by null_host.cpp.
extern int32_t null_host_width, null_host_height;

// The null host's primitives: the steady clock, no events, a sleep for a
// wait, one output filling the buffer (no refresh rate), a finish for the
// present.
extern const HostPrimitives null_host;

}  // namespace host
