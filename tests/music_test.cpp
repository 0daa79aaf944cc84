// The carol loop: scores and pitch, the tune renderer at its boundaries, the
// WAVE image against a plain C-library rendering and by ear, and when the
// music is made.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "music/mixdown.h"
#include "music/tune.h"
#include "music/wave_math.h"
#include "music_reference.h"
#include "shared/random.h"
#include "test_support.h"

namespace {

using music::Note;
using test_support::state_after;

// Names outside the notation are rejected when the scores are built.
static_assert(music::is_note_name("E4") && music::is_note_name("F#4") && music::is_note_name("G9"));
static_assert(!music::is_note_name("e4") && !music::is_note_name("H4") && !music::is_note_name("Bb3") &&
              !music::is_note_name("C10") && !music::is_note_name("C") && !music::is_note_name("#4") &&
              !music::is_note_name("F##4") && !music::is_note_name("G4 ") && !music::is_note_name(""));
constexpr Note bad_score[] = {{"C4", 1.0f}, {"c4", 1.0f}};
static_assert(!music::is_score(bad_score));

// Semitones from A4, read from the name on its own: letter, '#', octave.
int semitones_from_a4(const char* name) {
    const int from_a[7] = {0, 2, -9, -7, -5, -4, -2};  // A B C D E F G in octave 4
    const bool sharp = name[1] == '#';
    return from_a[name[0] - 'A'] + sharp + 12 * (name[sharp ? 2 : 1] - '4');
}

int16_t sample_at(const uint8_t* image, uint32_t i) {
    const uint8_t* p = image + music::wave_header_size + 2 * static_cast<size_t>(i);
    return static_cast<int16_t>(p[0] | p[1] << 8);
}

// One render into a buffer with room past the capacity, to see that nothing lands there.
std::vector<float> render(const Note* score, uint32_t count, int32_t ticks, float& time, float tempo = 132.0f) {
    std::vector<float> buffer(music::buffer_capacity + 100000, 0.0f);
    music::render_tune(buffer.data(), score, count, tempo, ticks, time);
    return buffer;
}
bool sounding(float x) { return x != 0.0f; }
int32_t first_sounding(const std::vector<float>& b) { return std::find_if(b.begin(), b.end(), sounding) - b.begin(); }
int32_t last_sounding(const std::vector<float>& b) { return b.rend() - std::find_if(b.rbegin(), b.rend(), sounding) - 1; }

// As written: counts, beat sums and, weighted by position, pitches and beats.
TEST(Scores, AsWritten) {
    const uint32_t counts[] = {51, 68, 30};
    const float sums[] = {64.0f, 64.0f, 25.0f}, weighted_beats[] = {1677.0f, 2223.0f, 424.5f};
    const int weighted_pitches[] = {-6534, -10352, 1251};
    std::map<std::string, const char*> texts;
    for (int t = 0; t < 3; ++t) {
        const music::Tune& tune = music::carol_loop[t];
        ASSERT_EQ(tune.note_count, counts[t]);
        float sum = 0.0f, beats = 0.0f;
        int pitches = 0;
        for (uint32_t i = 0; i < tune.note_count; ++i) {
            const Note& note = tune.score[i];
            sum += note.beats;
            beats += (i + 1) * note.beats;
            pitches += (i + 1) * semitones_from_a4(note.name);
            EXPECT_EQ(texts.emplace(note.name, note.name).first->second, note.name) << "one text per pitch";
        }
        EXPECT_EQ(sum, sums[t]) << "tune " << t + 1;
        EXPECT_EQ(beats, weighted_beats[t]) << "tune " << t + 1;
        EXPECT_EQ(pitches, weighted_pitches[t]) << "tune " << t + 1;
    }
}

TEST(Pitch, NoteNumbersAndFrequencies) {
    const struct { const char* name; int32_t number; float hz; } table[] = {
        {"A4", 0, 440.0f}, {"C4", -9, 261.63f}, {"F#4", -3, 369.99f}, {"B3", -10, 246.94f},
        {"F5", 8, 698.46f}, {"A5", 12, 880.0f}, {"C0", -57, 16.3516f}, {"G#9", 59, 13289.75f},
    };
    for (const auto& e : table) {
        EXPECT_EQ(music::note_number(e.name), e.number) << e.name;
        EXPECT_NEAR(music::note_frequency(e.name), e.hz, e.hz * 2e-5f) << e.name;
    }
}

// wave_sin within 2.5 ulp and 1.3e-7 over the tone loop's range, also next
// to a zero (0x1.17cc5p+12 lies 6.4e-8 from 1425 pi); wave_exp within 1 ulp.
TEST(WaveMath, SineAndExponentialAgainstDoublePrecision) {
    auto ulp = [](double exact) {
        const float rounded = std::fabs(static_cast<float>(exact));
        return std::nextafter(rounded, 2.0f) - rounded;
    };
    for (float x = 0.0f; x < 32768.0f; x = x * 1.0001f + 1e-3f) {
        const double exact = std::sin(static_cast<double>(x));
        ASSERT_LT(std::fabs(music::wave_sin(x) - exact), std::fmin(1.3e-7, 2.5 * ulp(exact))) << x;
    }
    const double near_zero = std::sin(static_cast<double>(0x1.17cc5p+12f));
    EXPECT_NEAR(music::wave_sin(0x1.17cc5p+12f), near_zero, std::fabs(near_zero) * 2e-7);
    for (int32_t i = 0; i <= 3000000; ++i) {
        const float y = -7.2f * static_cast<float>(i) / 3000000.0f;
        const double exact = std::exp(static_cast<double>(y));
        ASSERT_LE(std::fabs(music::wave_exp(y) - exact), ulp(exact)) << y;
    }
    EXPECT_EQ(music::wave_exp(0.0f), 1.0f);
}

TEST(RenderTune, StartTimesFirstSampleAndTicks) {
    float time = 0.3f;
    for (int32_t ticks : {0, 1}) {
        shared::seed_random(8230);
        time = 0.3f;
        EXPECT_EQ(first_sounding(render(music::tune_1, 51, ticks, time)), 6616 - ticks) << "a note's sample 0 is 0";
        EXPECT_EQ(shared::random_state, state_after(8230, ticks * 64 * 1764)) << "one draw per tick sample";
    }
    const float starts[] = {31.8909f, 68.6766f, 81.17654f};
    for (int t = 0; t < 3; ++t) {
        const music::Tune& tune = music::carol_loop[t];
        if (t > 0) render(tune.score, tune.note_count, 0, time, tune.tempo);
        EXPECT_NEAR(time, starts[t], 1e-4f) << "after tune " << t + 1;
    }
    // a tick on every whole beat a note starts on or spans, none on half beats
    const Note whole[] = {{"C4", 4.0f}}, halves[] = {{"C4", 0.5f}, {"D4", 0.5f}, {"E4", 0.5f}};
    shared::seed_random(99);
    render(whole, 1, 1, time);
    EXPECT_EQ(shared::random_state, state_after(99, 4 * 1764));
    shared::seed_random(99);
    render(halves, 3, 1, time);
    EXPECT_EQ(shared::random_state, state_after(99, 2 * 1764));
}

TEST(RenderTune, SoundingLengthsAndTheCapacity) {
    // at 132 beats per minute: the 0.7 s floor, 1.8 x one beat, 1.8 x four beats
    const std::pair<float, int32_t> cases[] = {{0.5f, 15435}, {1.0f, 18040}, {4.0f, 72163}};
    for (const auto& [beats, samples] : cases) {
        const Note note[] = {{"A4", beats}};
        float time = 0.0f;
        const std::vector<float> buffer = render(note, 1, 0, time);
        EXPECT_EQ(first_sounding(buffer), 1);
        EXPECT_EQ(last_sounding(buffer), samples - 1) << beats;
        EXPECT_NEAR(time, beats * 60.0f / 132.0f + 2.5f, 1e-6f);
    }
    // nothing at or past the capacity
    const Note four[] = {{"C4", 4.0f}}, one[] = {{"C4", 1.0f}};
    shared::seed_random(7);
    float time = 120.0f;  // sample 2,646,000
    EXPECT_EQ(last_sounding(render(four, 1, 1, time)), -1);
    EXPECT_EQ(shared::random_state, 7u) << "ticks past the capacity draw nothing";
    time = 119.9f;  // starts at sample 2,643,795 and would ring 72,163 samples
    EXPECT_EQ(last_sounding(render(four, 1, 0, time)), 2645999);
    time = 2645000.0f / 22050.0f;  // the tick would run 764 samples past the end
    EXPECT_EQ(last_sounding(render(one, 1, 1, time)), 2645999);
    EXPECT_EQ(shared::random_state, state_after(7, 1000)) << "the tick cut at the capacity";
}

// The carol loop from seed 8230, made once.
const uint8_t* carol_image() {
    static const uint8_t* image = (shared::seed_random(8230), music::synthesize_wave_image(nullptr));
    return image;
}

// The header, the 0.3 s lead-in, the peak at 0.7 of full scale, and the
// vectorized sine and exponential against the C library's through the whole
// loop: one step of the 16 bits at most, in at most 0.05 % of the samples;
// the header and the draws (as make_wave_image's) exactly.
TEST(WaveImage, HeaderSamplesAndTheLibraryReference) {
    const uint8_t* image = carol_image();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(std::memcmp(image, "RIFF", 4), 0);
    EXPECT_EQ(test_support::u32_at(image + 4), 3579920u);
    EXPECT_EQ(std::memcmp(image + 8, "WAVEfmt \x10\0\0\0\1\0\1\0\x22\x56\0\0\x44\xac\0\0\2\0\x10\0data", 32), 0);
    EXPECT_EQ(test_support::u32_at(image + 40), 3579884u);
    ASSERT_EQ(music::wave_sample_count(image), 1789942u);
    shared::seed_random(8230);
    const std::vector<uint8_t> expected = reference::wave_image();
    EXPECT_EQ(shared::random_state, state_after(8230, 112896));
    ASSERT_EQ(expected.size(), 44u + 2u * 1789942u);
    EXPECT_EQ(std::memcmp(expected.data(), image, 44), 0);
    uint32_t differing = 0;
    int32_t peak = 0;
    for (uint32_t i = 0; i < 1789942; ++i) {
        const int32_t want = sample_at(expected.data(), i), got = sample_at(image, i);
        ASSERT_TRUE(i >= 6615 || got == 0) << "lead-in sample " << i;
        ASSERT_LE(std::abs(want - got), 1) << i;
        differing += want != got;
        peak = std::max(peak, std::abs(got));
    }
    EXPECT_NE(sample_at(image, 6615), 0) << "the first tick";
    EXPECT_EQ(peak, 22936);
    EXPECT_LE(differing, 1789942u * 5 / 10000) << differing << " samples differ by one step";
}

// By ear: over every note's nominal length (from 10 ms in, past the attack)
// the strongest semitone from A3 to G5 of the Hann-windowed image is its own.
TEST(WaveImage, EveryNoteSoundsAtItsPitch) {
    const uint8_t* image = carol_image();
    ASSERT_NE(image, nullptr);
    const double pi = 3.141592653589793;
    double start = 0.3;
    for (const music::Tune& tune : music::carol_loop) {
        for (uint32_t i = 0; i < tune.note_count; ++i) {
            const double length = tune.score[i].beats * 60.0 / tune.tempo;
            const uint32_t first = static_cast<uint32_t>((start + 0.01) * 22050.0);
            const uint32_t last = static_cast<uint32_t>((start + length) * 22050.0);
            ASSERT_LT(last, music::wave_sample_count(image));
            std::vector<double> power;  // Goertzel's, per semitone from A3
            for (int n = -12; n <= 10; ++n) {
                const double k = 2.0 * std::cos(2.0 * pi * 440.0 * std::pow(2.0, n / 12.0) / 22050.0);
                double s1 = 0.0, s2 = 0.0;
                for (uint32_t j = first; j < last; ++j) {
                    const double hann = 0.5 - 0.5 * std::cos(2.0 * pi * (j - first) / (last - first));
                    const double s0 = sample_at(image, j) * hann + k * s1 - s2;
                    s2 = s1;
                    s1 = s0;
                }
                power.push_back(s1 * s1 + s2 * s2 - k * s1 * s2);
            }
            EXPECT_EQ(std::max_element(power.begin(), power.end()) - power.begin() - 12,
                      semitones_from_a4(tune.score[i].name))
                << "note " << i + 1 << " (" << tune.score[i].name << ")";
            start += length;
        }
        start += 2.5;
    }
}

// The image with its draws; freeing clears it, and a second free finds
// nothing.
TEST(MusicRun, MakesTheImageWithItsDraws) {
    shared::seed_random(8230);
    const uint8_t* image = music::make_wave_image();
    EXPECT_EQ(shared::random_state, state_after(8230, 112896));
    EXPECT_EQ(music::wave_image, image);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(std::memcmp(image, carol_image(), 44 + 2 * 1789942), 0);
    music::free_wave_image();
    music::free_wave_image();
    EXPECT_EQ(music::wave_image, nullptr);
}

}  // namespace
