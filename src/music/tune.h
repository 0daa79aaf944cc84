// The tune renderer: turns one score into samples added into the shared
// sample buffer of the music loop.
#pragma once
#include <cstdint>

#include "music/scores.h"

namespace music {

constexpr int32_t sample_rate = 22050;
constexpr int32_t buffer_capacity = 2646000;  // 120 s; nothing is written at or past it
constexpr int32_t tick_length = 1764;         // 80 ms of noise per beat tick

// Semitones from A4 of a pitch name (is_note_name): "A4" 0, "C4" -9,
// "F#4" -3. Parsed from the text on every call.
int32_t note_number(const char* name);

// 440 x 2^(n / 12) Hz, with exp2f, for the note number n of the name.
float note_frequency(const char* name);

// Adds the notes of score[0 .. note_count) into samples (buffer_capacity
// floats, zero-filled by the caller), the first note starting at
// running_time seconds; returns in running_time the start of the next tune
// (the end of the last note's beats plus a 2.5 s gap). tempo is in beats
// per minute. Each note sounds 1.8 times its length, at least 0.7 s, with a
// 6 ms attack and a decay to e^-7.13 at its end, so notes overlap. With
// beat_ticks non-zero every whole beat also gets an 80 ms noise tick, one
// random word per tick sample in time order; otherwise the random source is
// not touched. Notes and ticks that start at or past the capacity add
// nothing; those that run past it are cut at its last sample. note_count
// must be at least 1 (the first note is rendered before it is tested).
void render_tune(float* samples, const Note* score, uint32_t note_count, float tempo, int32_t beat_ticks,
                 float& running_time);

}  // namespace music
