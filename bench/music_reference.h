// The carol loop rendered plainly from the synthesis rules with the C
// library's sinf/expf per sample: the yardstick for the vectorized renderer
// and its "before" timing.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "music/scores.h"
#include "shared/random.h"

namespace reference {

constexpr int32_t capacity = 2646000;

inline void render_tune(float* buffer, const music::Note* score, uint32_t count, float tempo, bool ticks, float& time) {
    static const int from_c[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    float beat = 0.0f;
    for (uint32_t i = 0; i < count; ++i) {
        const char* name = score[i].name;
        const bool sharp = name[1] == '#';
        const int n = from_c[name[0] - 'A'] + sharp + 12 * (name[sharp ? 2 : 1] - '4') - 9;
        const float f = exp2f(static_cast<float>(n) / 12.0f) * 440.0f;
        const float e = score[i].beats * (60.0f / tempo);
        const float ls = std::fmax(1.8f * e, 0.7f);
        const int32_t s = static_cast<int32_t>(time * 22050.0f), samples = static_cast<int32_t>(ls * 22050.0f);
        for (int32_t j = 0; j < samples && s + j < capacity; ++j) {
            const float t = static_cast<float>(j) / 22050.0f;
            const float env = expf(-7.13f / ls * t) * (t < 0.006f ? t / 0.006f : 1.0f);
            const float tone =
                0.8f * sinf(f * 6.2831855f * t) + 0.22f * sinf(f * 12.566371f * t) + 0.07f * sinf(f * 25.258406f * t);
            buffer[s + j] += tone * env * 0.22f;
        }
        const float end = beat + score[i].beats;
        for (float o = ceilf(beat); ticks && o < end; o = o + 1.0f) {
            const int32_t p = static_cast<int32_t>(((o - beat) * 60.0f / tempo + time) * 22050.0f);
            float u = 0.0f;
            for (int32_t j = 0; j < 1764 && p + j < capacity; ++j) {
                const float v = 2.0f * shared::random_unit() - 1.0f;
                buffer[p + j] += (1.0f - static_cast<float>(j) / 1764.0f) * (v - u) * 0.18f * 0.22f * 0.5f;
                u = v;
            }
        }
        time = time + e;
        beat = end;
    }
    time = time + 2.5f;
}

// The whole WAVE image, header and samples, as bytes.
inline std::vector<uint8_t> wave_image() {
    std::vector<float> buffer(capacity, 0.0f);
    float time = 0.3f;
    render_tune(buffer.data(), music::tune_1, 51, 132.0f, true, time);
    render_tune(buffer.data(), music::tune_2, 68, 112.0f, false, time);
    render_tune(buffer.data(), music::tune_3, 30, 150.0f, false, time);
    const int32_t count = std::min(static_cast<int32_t>(time * 22050.0f), capacity);

    std::vector<float> echo(count, 0.0f);
    for (int32_t i = 5953; i < count; ++i) echo[i] = echo[i - 5953] * 0.32f + buffer[i - 5953];
    float peak = 0.0f;
    for (int32_t i = 0; i < count; ++i) {
        buffer[i] = buffer[i] + echo[i] * 0.28f;
        peak = std::fmax(peak, std::fabs(buffer[i]));
    }

    std::vector<uint8_t> image(44 + 2 * count);
    auto put = [&](size_t at, uint32_t v, int bytes) {
        for (int k = 0; k < bytes; ++k) image[at + k] = static_cast<uint8_t>(v >> 8 * k);
    };
    // 16-byte PCM format: mono, 22050 Hz, 44100 bytes/s, 2-byte frames, 16 bits
    std::memcpy(image.data(), "RIFF....WAVEfmt \x10\0\0\0\1\0\1\0\x22\x56\0\0\x44\xac\0\0\2\0\x10\0data", 40);
    put(4, 2 * count + 36, 4);
    put(40, 2 * count, 4);
    for (int32_t i = 0; i < count; ++i) {
        put(44 + 2 * static_cast<size_t>(i),
            static_cast<uint32_t>(static_cast<int32_t>(buffer[i] * (0.7f / peak) * 32767.0f)), 2);
    }
    return image;
}

}  // namespace reference
