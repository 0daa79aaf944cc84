// The ALSA player's loop, apart from the music's start-up: plays a WAVE
// image's samples over and over on ALSA's default device.
#pragma once
#include <cstdint>

namespace music {

// Starts a playback thread that opens ALSA's default device (PulseAudio or
// PipeWire on a desktop) and plays the samples of image, a WAVE image as
// make_wave_image makes it, in an endless loop from its first sample. The
// caller's thread never waits on the device: no device, a busy one, or one
// that fails later just ends the thread, and the caller goes on. The image
// must stay allocated and unchanged until stop_loop returns. Nothing when a
// loop is already playing.
void start_loop(const uint8_t* image);

// Stops the playback thread, waits for it and closes the device. Returns
// at once when none plays.
void stop_loop();

}  // namespace music
