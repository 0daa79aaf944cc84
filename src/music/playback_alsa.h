// The ALSA player's loop, apart from the music's start-up: plays a WAVE
// image's samples over and over on ALSA's default device.
#pragma once
#include <cstdint>

namespace music {

// Starts a playback thread that opens ALSA's default device (PulseAudio or
// PipeWire on a desktop) and plays the samples of image, a WAVE image as
// make_wave_image makes it, in an endless loop from its first sample. The
// caller's thread never waits on the device: no device, a busy one, or one
// that fails later just ends the thread, and the caller goes on; a device
// that cannot be opened gets one line on standard error, once in the
// program's life, and ALSA's own messages are silenced. The image must stay
// allocated and unchanged until stop_loop returns true. Nothing when a loop
// is already playing.
void start_loop(const uint8_t* image);

// Stops the playback thread and waits, at most 0.2 s, until it has closed
// the device: true when it has (or none played), false when the device
// still holds it; the thread is then left to end on its own and may still
// read the image, so the image must be kept.
bool stop_loop();

}  // namespace music
