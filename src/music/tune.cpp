#include "music/tune.h"

#include <cmath>

#include "music/wave_math.h"
#include "shared/random.h"

namespace music {

namespace {

// Semitones above C of each letter, indexed by its distance from 'A'.
constexpr int32_t letter_semitones[7] = {9, 11, 0, 2, 4, 5, 7};

inline float partials(float t, float w1, float w2, float w4) {
    return 0.8f * wave_sin(w1 * t) + 0.22f * wave_sin(w2 * t) + 0.07f * wave_sin(w4 * t);
}

// Adds count samples of one note's tone into out. Every sample is computed
// from its own time since the note's start (no state carried from sample to
// sample), which is what lets the loops run four samples at a time.
void add_tone(float* out, int32_t count, float w1, float w2, float w4, float decay) {
    // Samples 0 to 132 lie inside the 6 ms attack; after it the envelope is
    // the decay alone.
    const int32_t attack_end = count < 133 ? count : 133;
    for (int32_t j = 0; j < attack_end; ++j) {
        const float t = static_cast<float>(j) / 22050.0f;
        const float envelope = wave_exp(decay * t) * (t / 0.006f);
        out[j] += partials(t, w1, w2, w4) * envelope * 0.22f;
    }
    for (int32_t j = attack_end; j < count; ++j) {
        const float t = static_cast<float>(j) / 22050.0f;
        out[j] += partials(t, w1, w2, w4) * wave_exp(decay * t) * 0.22f;
    }
}

// Room left in the buffer from index start on (0 at or past the capacity).
int32_t room_from(int32_t start) { return start <= buffer_capacity ? buffer_capacity - start : 0; }

}  // namespace

int32_t note_number(const char* name) {
    int32_t value = letter_semitones[name[0] - 'A'];
    char digit = name[1];
    if (name[1] == '#') {
        value += 1;
        digit = name[2];
    }
    return value + 12 * digit - 633;  // 633 = 12 x '0' + 57: "A4" is 0
}

float note_frequency(const char* name) { return exp2f(static_cast<float>(note_number(name)) / 12.0f) * 440.0f; }

void render_tune(float* samples, const Note* score, uint32_t note_count, float tempo, int32_t beat_ticks,
                 float& running_time) {
    float a = running_time;  // start of the note, seconds
    float b = 0.0f;          // start of the note, beats
    const float seconds_per_beat = 60.0f / tempo;
    uint32_t i = 0;
    do {
        const Note& note = score[i];
        const float f = note_frequency(note.name);
        const float e = note.beats * seconds_per_beat;
        const float sounding = 1.8f * e > 0.7f ? 1.8f * e : 0.7f;
        const int32_t n = static_cast<int32_t>(sounding * 22050.0f);
        const int32_t s = static_cast<int32_t>(a * 22050.0f);
        const int32_t room = room_from(s);
        const int32_t count = n < room ? n : room;
        if (count > 0) {
            add_tone(samples + s, count, f * 6.2831855f, f * 12.566371f, f * 25.258406f, -7.13f / sounding);
        }

        const float m = b + note.beats;
        if (beat_ticks) {
            for (float o = ceilf(b); o < m; o = o + 1.0f) {
                const int32_t p = static_cast<int32_t>(((o - b) * 60.0f / tempo + a) * 22050.0f);
                const int32_t tick_room = room_from(p);
                float u = 0.0f;
                for (int32_t j = 0; j < tick_length && j != tick_room; ++j) {
                    const float v = 2.0f * shared::random_unit() - 1.0f;
                    samples[p + j] += (1.0f - static_cast<float>(j) / 1764.0f) * (v - u) * 0.18f * 0.22f * 0.5f;
                    u = v;
                }
            }
        }
        a = a + e;
        b = m;
    } while (++i < note_count);
    running_time = a + 2.5f;
}

}  // namespace music
