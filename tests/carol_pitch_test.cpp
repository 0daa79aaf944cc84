// Listening to the loop by numbers: in the WAVE image, during every note's
// nominal length, the strongest semitone between A3 and G5 is the note's
// own pitch, so the three carols come out as written.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "host/random.h"
#include "music/mixdown.h"
#include "music/tune.h"

namespace {

// Semitones from A4, read from the name on its own: letter, '#', octave.
int semitones_from_a4(const char* name) {
    const int from_a[7] = {0, 2, -9, -7, -5, -4, -2};  // A B C D E F G in octave 4
    const bool sharp = name[1] == '#';
    return from_a[name[0] - 'A'] + (sharp ? 1 : 0) + 12 * (name[sharp ? 2 : 1] - '4');
}

// Power of the Hann-windowed samples at hz.
double power_at(const std::vector<double>& window, double hz) {
    const double k = 2.0 * std::cos(2.0 * 3.141592653589793 * hz / 22050.0);
    double s1 = 0.0, s2 = 0.0;
    for (double x : window) {
        const double s0 = x + k * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - k * s1 * s2;
}

TEST(CarolPitch, EveryNoteSoundsAtItsPitch) {
    host::seed_random(8230);
    uint8_t* image = music::synthesize_wave_image(nullptr);
    ASSERT_NE(image, nullptr);
    const uint32_t count = music::wave_sample_count(image);
    auto sample = [&](uint32_t i) {
        const uint8_t* at = image + music::wave_header_size + 2 * static_cast<size_t>(i);
        return static_cast<double>(static_cast<int16_t>(at[0] | at[1] << 8));
    };

    double start = 0.3;
    int checked = 0;
    for (int t = 0; t < 3; ++t) {
        const music::Tune& tune = music::carol_loop[t];
        for (uint32_t i = 0; i < tune.note_count; ++i) {
            const music::Note& note = tune.score[i];
            const double length = note.beats * 60.0 / tune.tempo;
            // from 10 ms in (past the attack) to the note's nominal end
            const uint32_t first = static_cast<uint32_t>((start + 0.01) * 22050.0);
            const uint32_t last = static_cast<uint32_t>((start + length) * 22050.0);
            ASSERT_LT(last, count);
            std::vector<double> window;
            for (uint32_t j = first; j < last; ++j) {
                const double hann = 0.5 - 0.5 * std::cos(2.0 * 3.141592653589793 * (j - first) / (last - first));
                window.push_back(sample(j) * hann);
            }
            int loudest = 0;
            double loudest_power = -1.0;
            for (int n = -12; n <= 10; ++n) {
                const double power = power_at(window, 440.0 * std::pow(2.0, n / 12.0));
                if (power > loudest_power) {
                    loudest_power = power;
                    loudest = n;
                }
            }
            EXPECT_EQ(loudest, semitones_from_a4(note.name))
                << "tune " << t + 1 << ", note " << i + 1 << " (" << note.name << ")";
            start += length;
            ++checked;
        }
        start += 2.5;
    }
    EXPECT_EQ(checked, 51 + 68 + 30);
    std::free(image);
}

}  // namespace
