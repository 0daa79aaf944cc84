// The carol loop: scores and pitch, the fast sine and exponential, the tune
// renderer at the buffer's end, the WAVE image, and when the music is made.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "music/mixdown.h"
#include "music/tune.h"
#include "music/wave_math.h"
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
int32_t last_sounding(const std::vector<float>& b) {
    return b.rend() - std::find_if(b.rbegin(), b.rend(), sounding) - 1;
}

TEST(Pitch, NoteNumbersAndFrequencies) {
    const struct {
        const char* name;
        int32_t number;
        float hz;
    } table[] = {
        {"A4", 0, 440.0f},  {"C4", -9, 261.63f}, {"F#4", -3, 369.99f},  {"B3", -10, 246.94f},
        {"F5", 8, 698.46f}, {"A5", 12, 880.0f},  {"C0", -57, 16.3516f}, {"G#9", 59, 13289.75f},
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

// Nothing lands at or past the buffer's capacity, which the carol loop
// itself never reaches; ticks cut there draw no more.
TEST(RenderTune, StopsAtTheCapacity) {
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

// The sample count, the 0.3 s lead-in, the peak at 0.7 of full scale, and
// every byte, the header's too (dump_check has soxi read it): the sine and
// exponential are the program's own, so the loop comes out the same on
// every platform. bench/music-timing holds it against the same rules
// rendered with the C library's sinf and expf (one step of the 16 bits at
// most, in at most 0.05 % of the samples); a change to the synthesis is
// checked there before the checksum here is moved.
TEST(WaveImage, LeadInPeakAndEveryByte) {
    const uint8_t* image = carol_image();
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(music::wave_sample_count(image), 1789942u);
    int32_t peak = 0;
    for (uint32_t i = 0; i < 1789942; ++i) {
        ASSERT_TRUE(i >= 6615 || sample_at(image, i) == 0) << "lead-in sample " << i;
        peak = std::max(peak, std::abs(sample_at(image, i)));
    }
    EXPECT_NE(sample_at(image, 6615), 0) << "the first tick";
    EXPECT_EQ(peak, 22936);
    uint32_t fnv = 2166136261u;  // FNV-1a, as music-timing prints it
    for (size_t i = 0; i < 44 + 2 * 1789942; ++i) fnv = (fnv ^ image[i]) * 16777619u;
    EXPECT_EQ(fnv, 0x723f4d60u);
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
