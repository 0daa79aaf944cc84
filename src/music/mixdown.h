// The carol loop as a WAVE image: the three tunes mixed into one buffer,
// echoed, normalised and wrapped as 16-bit mono PCM in a RIFF/WAVE file in
// memory, for the sound player to loop.
#pragma once
#include <cstdint>

#include "music/scores.h"

namespace music {

// A score as the loop plays it.
struct Tune {
    const Note* score;
    uint32_t note_count;
    float tempo;         // beats per minute
    int32_t beat_ticks;  // non-zero: a noise tick on every whole beat
};

// The loop's tunes in playing order.
constexpr Tune carol_loop[] = {
    {tune_1, 51, 132.0f, 1},
    {tune_2, 68, 112.0f, 0},
    {tune_3, 30, 150.0f, 0},
};

constexpr uint32_t wave_header_size = 44;
constexpr int32_t echo_delay = 5953;  // 0.27 s

// The WAVE image being played, or null when there is none. Owned by
// mixdown.cpp; written by make_wave_image (start-up, or the browser
// page's first music click) and free_wave_image (shutdown, after the sound
// is stopped); read by the playback.
extern uint8_t* wave_image;

// Synthesizes the carol loop into a new heap block (malloc): a 44-byte
// RIFF/WAVE header, then the samples, 22050 Hz mono signed 16-bit. Takes
// 112,896 words from the random source (the beat ticks of the first tune).
// Returns null when an allocation fails (a failed echo line only drops the
// echo). When mix_peak is given it receives the largest magnitude of the
// mix before normalisation, which maps to 0.7 of full scale.
uint8_t* synthesize_wave_image(float* mix_peak);

// Synthesizes the loop into wave_image and returns it; null when the
// allocations fail. Whether a run has music at all is the run's decision.
uint8_t* make_wave_image();

// The loop for a run that is already going (the browser page's first music
// click): synthesized into wave_image on the first call, with the random
// source left where it was, so the scene goes on as it would have without
// music. Returns wave_image; null when it cannot be made.
uint8_t* make_late_wave_image();

// Frees wave_image and sets it to null; nothing when it is null. The sound
// player must have been stopped first.
void free_wave_image();

// The count of samples of a WAVE image (from its data size field).
uint32_t wave_sample_count(const uint8_t* image);

}  // namespace music
