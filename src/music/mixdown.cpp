#include "music/mixdown.h"

#include <cstdlib>
#include <cstring>

#include "music/tune.h"
#include "music/wave_math.h"
#include "shared/little_endian.h"
#include "shared/random.h"

namespace music {

uint8_t* wave_image = nullptr;

namespace {

using shared::put_u16;
using shared::put_u32;

void write_wave_header(uint8_t* image, uint32_t count) {
    std::memcpy(image, "RIFF", 4);
    put_u32(image + 4, 2 * count + 36);
    std::memcpy(image + 8, "WAVE", 4);
    std::memcpy(image + 12, "fmt ", 4);
    put_u32(image + 16, 16);
    put_u16(image + 20, 1);  // PCM
    put_u16(image + 22, 1);  // mono
    put_u32(image + 24, sample_rate);
    put_u32(image + 28, 2 * sample_rate);  // bytes per second
    put_u16(image + 32, 2);                // bytes per sample frame
    put_u16(image + 34, 16);               // bits per sample
    std::memcpy(image + 36, "data", 4);
    put_u32(image + 40, 2 * count);
}

// Feedback echo: each repeat 0.27 s later at 0.32 of the last, mixed in at
// 0.28. It does not wrap: the loop's start carries no echo of its end.
// Without memory for the echo line the loop goes on dry.
void add_echo(float* samples, int32_t count) {
    float* echo = static_cast<float*>(std::calloc(count, sizeof(float)));
    if (!echo) return;
    for (int32_t i = echo_delay; i < count; ++i) {
        echo[i] = echo[i - echo_delay] * 0.32f + samples[i - echo_delay];
    }
    for (int32_t i = 0; i < count; ++i) samples[i] = samples[i] + echo[i] * 0.28f;
    std::free(echo);
}

}  // namespace

uint8_t* synthesize_wave_image(float* mix_peak) {
    float running_time = 0.3f;
    float* samples = static_cast<float*>(std::calloc(buffer_capacity, sizeof(float)));
    if (!samples) return nullptr;
    for (const Tune& tune : carol_loop) {
        render_tune(samples, tune.score, tune.note_count, tune.tempo, tune.beat_ticks, running_time);
    }

    // Samples up to the end of the last tune's gap, at most the whole buffer.
    const float end = running_time * 22050.0f;
    const int32_t count = end >= static_cast<float>(buffer_capacity) ? buffer_capacity
                          : end > 0.0f                               ? static_cast<int32_t>(end)
                                                                     : 0;
    if (count > 0) add_echo(samples, count);

    // Magnitudes compared as bit patterns, which order non-negative floats
    // as their values (and, unlike float maxima, vectorize).
    int32_t peak_bits = 0;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t bits = static_cast<int32_t>(bits_from_float(samples[i]) & 0x7FFFFFFFu);
        peak_bits = bits > peak_bits ? bits : peak_bits;
    }
    const float peak = float_from_bits(static_cast<uint32_t>(peak_bits));
    if (mix_peak) *mix_peak = peak;
    const float gain = peak > 0.0f ? 0.7f / peak : 1.0f;

    uint8_t* image = static_cast<uint8_t*>(std::malloc(2 * static_cast<size_t>(count) + 44));
    if (!image) {
        std::free(samples);
        return nullptr;
    }
    write_wave_header(image, static_cast<uint32_t>(count));
    uint8_t* pcm = image + wave_header_size;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t value = static_cast<int32_t>(samples[i] * gain * 32767.0f);
        put_u16(pcm + 2 * i, static_cast<uint32_t>(value) & 0xFFFFu);
    }
    std::free(samples);
    return image;
}

uint8_t* make_wave_image() {
    wave_image = synthesize_wave_image(nullptr);
    return wave_image;
}

uint8_t* make_late_wave_image() {
    if (wave_image) return wave_image;
    const uint32_t scene_random = shared::random_state;
    make_wave_image();
    shared::random_state = scene_random;
    return wave_image;
}

void free_wave_image() {
    std::free(wave_image);
    wave_image = nullptr;
}

uint32_t wave_sample_count(const uint8_t* image) { return shared::get_u32(image + 40) / 2; }

}  // namespace music
