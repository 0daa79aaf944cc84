// A plain rendering of the carol loop, written step by step from the
// synthesis rules with the C library's sinf/expf per sample: the yardstick
// for the vectorized renderer (tests) and its "before" timing (benchmarks).
#pragma once
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/random.h"
#include "music/scores.h"

namespace reference {

inline void render_tune(float* buffer, const music::Note* score, uint32_t count, float tempo,
                        int beat_ticks, float& running_time) {
    static const int semitone[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    float a = running_time;
    float b = 0.0f;
    const float spb = 60.0f / tempo;
    uint32_t i = 0;
    do {
        const char* name = score[i].name;
        int value = semitone[name[0] - 'A'];
        int digit = name[1];
        if (name[1] == '#') {
            value += 1;
            digit = name[2];
        }
        const int n = value + 12 * digit - 633;
        const float f = exp2f(static_cast<float>(n) / 12.0f) * 440.0f;
        const float e = score[i].beats * spb;
        const float ls = std::fmax(1.8f * e, 0.7f);
        const int32_t samples = static_cast<int32_t>(ls * 22050.0f);
        const int32_t s = static_cast<int32_t>(a * 22050.0f);
        const int32_t room = s <= 2646000 ? 2646000 - s : 0;
        const float k = -7.13f / ls;
        const float w1 = f * 6.2831855f, w2 = f * 12.566371f, w4 = f * 25.258406f;
        for (int32_t j = 0; j < samples && j != room; ++j) {
            const float t = static_cast<float>(j) / 22050.0f;
            const float attack = t < 0.006f ? t / 0.006f : 1.0f;
            const float env = expf(k * t) * attack;
            const float tone = 0.8f * sinf(w1 * t) + 0.22f * sinf(w2 * t) + 0.07f * sinf(w4 * t);
            buffer[s + j] += tone * env * 0.22f;
        }
        const float m = b + score[i].beats;
        if (beat_ticks) {
            for (float o = ceilf(b); o < m; o = o + 1.0f) {
                const int32_t p = static_cast<int32_t>(((o - b) * 60.0f / tempo + a) * 22050.0f);
                const int32_t tick_room = p <= 2646000 ? 2646000 - p : 0;
                float u = 0.0f;
                for (int32_t j = 0; j < 1764 && j != tick_room; ++j) {
                    const float v = 2.0f * host::random_unit() - 1.0f;
                    buffer[p + j] += (1.0f - static_cast<float>(j) / 1764.0f) * (v - u) * 0.18f *
                                     0.22f * 0.5f;
                    u = v;
                }
            }
        }
        a = a + e;
        b = m;
    } while (++i < count);
    running_time = a + 2.5f;
}

// The whole WAVE image, header and samples, as bytes.
inline std::vector<uint8_t> wave_image() {
    std::vector<float> buffer(2646000, 0.0f);
    float time = 0.3f;
    reference::render_tune(buffer.data(), music::tune_1, 51, 132.0f, 1, time);
    reference::render_tune(buffer.data(), music::tune_2, 68, 112.0f, 0, time);
    reference::render_tune(buffer.data(), music::tune_3, 30, 150.0f, 0, time);
    const int32_t r = static_cast<int32_t>(time * 22050.0f);
    const int32_t count = r < 2646000 ? r : 2646000;

    std::vector<float> echo(count, 0.0f);
    if (r >= 5954) {
        for (int32_t i = 5953; i < count; ++i) echo[i] = echo[i - 5953] * 0.32f + buffer[i - 5953];
    }
    for (int32_t i = 0; i < count; ++i) buffer[i] = buffer[i] + echo[i] * 0.28f;

    float peak = 0.0f;
    for (int32_t i = 0; i < count; ++i) peak = std::fmax(peak, std::fabs(buffer[i]));
    const float gain = peak > 0.0f ? 0.7f / peak : 1.0f;

    std::vector<uint8_t> image(2 * count + 44);
    auto u32 = [&](size_t at, uint32_t v) { for (int k = 0; k < 4; ++k) image[at + k] = uint8_t(v >> 8 * k); };
    auto u16 = [&](size_t at, uint32_t v) { for (int k = 0; k < 2; ++k) image[at + k] = uint8_t(v >> 8 * k); };
    std::memcpy(&image[0], "RIFF", 4);
    u32(4, 2 * count + 36);
    std::memcpy(&image[8], "WAVEfmt ", 8);
    u32(16, 16);
    u16(20, 1);
    u16(22, 1);
    u32(24, 22050);
    u32(28, 44100);
    u16(32, 2);
    u16(34, 16);
    std::memcpy(&image[36], "data", 4);
    u32(40, 2 * count);
    for (int32_t i = 0; i < count; ++i) {
        const int16_t sample = static_cast<int16_t>(static_cast<int32_t>(buffer[i] * gain * 32767.0f));
        u16(44 + 2 * static_cast<size_t>(i), static_cast<uint16_t>(sample));
    }
    return image;
}

}  // namespace reference
