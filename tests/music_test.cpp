#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

#include "host/random.h"
#include "host/run_mode.h"
#include "music/mixdown.h"
#include "music/scores.h"
#include "music/tune.h"
#include "music/wave_math.h"
#include "music_reference.h"
#include "test_support.h"
#include "settings/settings.h"

namespace {

using test_support::state_after;
using test_support::u32_at;

using music::Note;

uint32_t u16_at(const uint8_t* p) { return p[0] | p[1] << 8; }
int16_t sample_at(const uint8_t* image, uint32_t i) {
    return static_cast<int16_t>(u16_at(image + 44 + 2 * static_cast<size_t>(i)));
}

// A buffer with room past the capacity, to see that nothing lands there.
struct Buffer {
    std::vector<float> samples = std::vector<float>(music::buffer_capacity + 100000, 0.0f);
    float* data() { return samples.data(); }
    // Index of the last non-zero sample, -1 when all are zero.
    int32_t last_sounding() const {
        for (int32_t i = static_cast<int32_t>(samples.size()) - 1; i >= 0; --i) {
            if (samples[i] != 0.0f) return i;
        }
        return -1;
    }
    int32_t first_sounding() const {
        for (int32_t i = 0; i < static_cast<int32_t>(samples.size()); ++i) {
            if (samples[i] != 0.0f) return i;
        }
        return -1;
    }
};

template <std::size_t count>
float beat_sum(const Note (&score)[count]) {
    float sum = 0.0f;
    for (const Note& note : score) sum += note.beats;
    return sum;
}

// --- scores and pitch

static_assert(music::is_note_name("E4") && music::is_note_name("F#4") && music::is_note_name("B3"));
static_assert(!music::is_note_name("e4") && !music::is_note_name("H4") && !music::is_note_name("Bb3"));

TEST(Scores, NoteNamesOutsideTheNotationAreRejected) {
    for (const char* name : {"a4", "H4", "Bb3", "C10", "C", "C#", "#4", "", "F##4", "G4 "}) {
        EXPECT_FALSE(music::is_note_name(name)) << '"' << name << '"';
    }
    for (const char* name : {"A0", "G9", "C#5", "E#4"}) EXPECT_TRUE(music::is_note_name(name)) << name;
    const Note bad[] = {{"C4", 1.0f}, {"c4", 1.0f}};
    EXPECT_FALSE(music::is_score(bad));
}

TEST(Scores, CountsAndBeatSums) {
    EXPECT_EQ(std::size(music::tune_1), 51u);
    EXPECT_EQ(std::size(music::tune_2), 68u);
    EXPECT_EQ(std::size(music::tune_3), 30u);
    EXPECT_EQ(beat_sum(music::tune_1), 64.0f);
    EXPECT_EQ(beat_sum(music::tune_2), 64.0f);
    EXPECT_EQ(beat_sum(music::tune_3), 25.0f);
    for (const music::Tune& tune : music::carol_loop) {
        for (uint32_t i = 0; i < tune.note_count; ++i) {
            const float beats = tune.score[i].beats;
            EXPECT_TRUE(beats == 0.5f || beats == 1.0f || beats == 1.5f || beats == 2.0f || beats == 3.0f ||
                        beats == 4.0f)
                << beats;
        }
    }
    EXPECT_EQ(music::carol_loop[0].score, music::tune_1);
    EXPECT_EQ(music::carol_loop[0].note_count, 51u);
    EXPECT_EQ(music::carol_loop[1].note_count, 68u);
    EXPECT_EQ(music::carol_loop[2].note_count, 30u);
}

TEST(Scores, SamePitchSharesOneText) {
    for (const music::Tune& a : music::carol_loop) {
        for (uint32_t i = 0; i < a.note_count; ++i) {
            for (const music::Tune& b : music::carol_loop) {
                for (uint32_t j = 0; j < b.note_count; ++j) {
                    if (std::strcmp(a.score[i].name, b.score[j].name) == 0) {
                        ASSERT_EQ(a.score[i].name, b.score[j].name) << a.score[i].name;
                    }
                }
            }
        }
    }
}

TEST(Scores, FirstNotesOfEachTune) {
    EXPECT_STREQ(music::tune_1[0].name, "E4");
    EXPECT_STREQ(music::tune_1[50].name, "C4");
    EXPECT_EQ(music::tune_1[50].beats, 4.0f);
    EXPECT_STREQ(music::tune_2[0].name, "G4");
    EXPECT_EQ(music::tune_2[0].beats, 1.5f);
    EXPECT_STREQ(music::tune_2[43].name, "F#4");
    EXPECT_STREQ(music::tune_3[29].name, "C5");
    EXPECT_EQ(music::tune_3[29].beats, 3.0f);
}

TEST(Pitch, NoteNumbersAndFrequencies) {
    struct Expected {
        const char* name;
        int32_t number;
        float hz;
    };
    const Expected table[] = {
        {"B3", -10, 246.94f}, {"C4", -9, 261.63f}, {"D4", -7, 293.66f}, {"E4", -5, 329.63f},
        {"F4", -4, 349.23f},  {"F#4", -3, 369.99f}, {"G4", -2, 392.00f}, {"A4", 0, 440.00f},
        {"B4", 2, 493.88f},   {"C5", 3, 523.25f},   {"D5", 5, 587.33f},  {"E5", 7, 659.26f},
        {"F5", 8, 698.46f},
    };
    for (const Expected& e : table) {
        EXPECT_EQ(music::note_number(e.name), e.number) << e.name;
        EXPECT_NEAR(music::note_frequency(e.name), e.hz, 0.005f) << e.name;
    }
    EXPECT_EQ(music::note_frequency("A4"), 440.0f);
    EXPECT_EQ(music::note_frequency("A5"), 880.0f);
    EXPECT_EQ(music::note_number("C0"), -57);
    EXPECT_EQ(music::note_number("G#9"), 59);
}

// --- the fast sine and exponential

TEST(WaveMath, SineAgainstDoublePrecision) {
    double worst_ulps = 0.0;
    for (float x = 0.0f; x < 32768.0f; x = x * 1.0001f + 1e-3f) {
        const double exact = std::sin(static_cast<double>(x));
        const float rounded = static_cast<float>(exact);
        const double ulp = std::nextafter(std::fabs(rounded), 2.0f) - std::fabs(rounded);
        const double error = std::fabs(music::wave_sin(x) - exact);
        ASSERT_LT(error, 1.3e-7) << x;
        worst_ulps = std::fmax(worst_ulps, std::fmin(error / ulp, 1e9));
    }
    EXPECT_LT(worst_ulps, 2.5);
    // next to a zero the remainder keeps its precision: 1425 pi lies 6.4e-8
    // from this float, which sin must give to within an ulp
    const float near_zero = 0x1.17cc5p+12f;
    const double exact = std::sin(static_cast<double>(near_zero));
    EXPECT_NEAR(music::wave_sin(near_zero), exact, std::fabs(exact) * 2e-7);
}

TEST(WaveMath, ExponentialAgainstDoublePrecision) {
    for (int32_t i = 0; i <= 3000000; ++i) {
        const float y = -7.2f * static_cast<float>(i) / 3000000.0f;
        const double exact = std::exp(static_cast<double>(y));
        const float rounded = static_cast<float>(exact);
        const double ulp = std::nextafter(rounded, 2.0f) - rounded;
        ASSERT_LE(std::fabs(music::wave_exp(y) - exact), ulp) << y;
    }
    EXPECT_EQ(music::wave_exp(0.0f), 1.0f);
}

// --- render_tune

TEST(RenderTune, TuneStartTimes) {
    std::vector<float> buffer(music::buffer_capacity, 0.0f);
    host::seed_random(8230);
    float time = 0.3f;
    const float starts[] = {31.8909f, 68.6766f, 81.17654f};
    for (int i = 0; i < 3; ++i) {
        const music::Tune& tune = music::carol_loop[i];
        music::render_tune(buffer.data(), tune.score, tune.note_count, tune.tempo, tune.beat_ticks, time);
        EXPECT_NEAR(time, starts[i], 1e-4f) << "after tune " << i + 1;
    }
    EXPECT_EQ(static_cast<int32_t>(time * 22050.0f), 1789942);
}

TEST(RenderTune, FirstNoteAndFirstTickAtSample6615) {
    Buffer quiet;
    host::seed_random(8230);
    float time = 0.3f;
    music::render_tune(quiet.data(), music::tune_1, 51, 132.0f, 0, time);
    EXPECT_EQ(host::random_state, 8230u) << "no ticks, no draws";
    EXPECT_EQ(quiet.samples[6615], 0.0f) << "the attack starts from 0";
    EXPECT_EQ(quiet.first_sounding(), 6616);

    Buffer ticked;
    host::seed_random(8230);
    time = 0.3f;
    music::render_tune(ticked.data(), music::tune_1, 51, 132.0f, 1, time);
    EXPECT_EQ(ticked.first_sounding(), 6615);
    // the tick's first sample: the first draw, undifferenced, at full fade
    host::seed_random(8230);
    const float v = 2.0f * host::random_unit() - 1.0f;
    EXPECT_EQ(ticked.samples[6615], 1.0f * v * 0.18f * 0.22f * 0.5f);
}

TEST(RenderTune, TicksTakeOneDrawPerSampleOnEveryBeat) {
    Buffer buffer;
    host::seed_random(8230);
    float time = 0.3f;
    music::render_tune(buffer.data(), music::tune_1, 51, 132.0f, 1, time);
    EXPECT_EQ(host::random_state, state_after(8230, 64 * 1764));

    // a lone four-beat note: four ticks, on beats 0 to 3
    const Note whole[] = {{"C4", 4.0f}};
    host::seed_random(99);
    time = 0.0f;
    music::render_tune(buffer.data(), whole, 1, 132.0f, 1, time);
    EXPECT_EQ(host::random_state, state_after(99, 4 * 1764));
    // half-beat notes: a tick only where a note starts on a whole beat
    const Note halves[] = {{"C4", 0.5f}, {"D4", 0.5f}, {"E4", 0.5f}};
    host::seed_random(99);
    music::render_tune(buffer.data(), halves, 3, 132.0f, 1, time);
    EXPECT_EQ(host::random_state, state_after(99, 2 * 1764));
}

TEST(RenderTune, SoundingLengths) {
    struct Case {
        float beats;
        int32_t samples;
    };
    // at 132 beats per minute: the 0.7 s floor, 1.8 x one beat, 1.8 x four beats
    for (const Case c : {Case{0.5f, 15435}, Case{1.0f, 18040}, Case{4.0f, 72163}}) {
        Buffer buffer;
        const Note note[] = {{"A4", c.beats}};
        float time = 0.0f;
        music::render_tune(buffer.data(), note, 1, 132.0f, 0, time);
        EXPECT_EQ(buffer.samples[0], 0.0f);
        EXPECT_EQ(buffer.last_sounding(), c.samples - 1) << c.beats;
        EXPECT_NEAR(time, c.beats * 60.0f / 132.0f + 2.5f, 1e-6f);
    }
}

TEST(RenderTune, ToneFollowsTheFormulas) {
    Buffer buffer;
    const Note note[] = {{"A4", 1.0f}};
    float time = 0.0f;
    music::render_tune(buffer.data(), note, 1, 132.0f, 0, time);
    const float ls = 1.8f * (60.0f / 132.0f);
    for (int32_t j : {1, 50, 132, 133, 1000, 9000, 18039}) {
        const double t = j / 22050.0;
        const double attack = std::fmin(t / 0.006, 1.0);
        const double env = std::exp(-7.13 / ls * t) * attack;
        const double w = 440.0 * 6.283185307179586;
        const double tone = 0.8 * std::sin(w * t) + 0.22 * std::sin(2.0 * w * t) + 0.07 * std::sin(4.02 * w * t);
        // the float time and angle round differently from these doubles
        EXPECT_NEAR(buffer.samples[j], tone * env * 0.22, 2e-5) << j;
    }
}

TEST(RenderTune, NothingAtOrPastTheCapacity) {
    const Note note[] = {{"C4", 4.0f}};
    Buffer buffer;
    host::seed_random(7);
    float time = 120.0f;  // sample 2,646,000
    music::render_tune(buffer.data(), note, 1, 132.0f, 1, time);
    EXPECT_EQ(buffer.last_sounding(), -1);
    EXPECT_EQ(host::random_state, 7u) << "ticks past the capacity draw nothing";

    // starts at sample 2,643,795 and would ring 72,163 samples
    time = 119.9f;
    music::render_tune(buffer.data(), note, 1, 132.0f, 0, time);
    EXPECT_EQ(buffer.last_sounding(), music::buffer_capacity - 1);
    EXPECT_NE(buffer.samples[music::buffer_capacity - 1], 0.0f);
}

TEST(RenderTune, TickCutAtTheCapacity) {
    const Note note[] = {{"C4", 1.0f}};
    Buffer buffer;
    host::seed_random(7);
    float time = 2645000.0f / 22050.0f;  // the tick would run 764 samples past the end
    const int32_t start = static_cast<int32_t>(time * 22050.0f);
    music::render_tune(buffer.data(), note, 1, 132.0f, 1, time);
    EXPECT_EQ(buffer.last_sounding(), music::buffer_capacity - 1);
    EXPECT_EQ(host::random_state, state_after(7, music::buffer_capacity - start));
}

// --- the WAVE image

struct Image {
    uint8_t* bytes = nullptr;
    float peak = 0.0f;
    uint32_t state_before = 0;
    uint32_t state_after = 0;
};

const Image& carol_image() {
    static Image image = [] {
        Image made;
        host::seed_random(8230);
        made.state_before = host::random_state;
        made.bytes = music::synthesize_wave_image(&made.peak);
        made.state_after = host::random_state;
        return made;
    }();
    return image;
}

TEST(WaveImage, Header) {
    const uint8_t* image = carol_image().bytes;
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(std::memcmp(image, "RIFF", 4), 0);
    EXPECT_EQ(u32_at(image + 4), 3579920u);
    EXPECT_EQ(std::memcmp(image + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(u32_at(image + 16), 16u);
    EXPECT_EQ(u16_at(image + 20), 1u);
    EXPECT_EQ(u16_at(image + 22), 1u);
    EXPECT_EQ(u32_at(image + 24), 22050u);
    EXPECT_EQ(u32_at(image + 28), 44100u);
    EXPECT_EQ(u16_at(image + 32), 2u);
    EXPECT_EQ(u16_at(image + 34), 16u);
    EXPECT_EQ(std::memcmp(image + 36, "data", 4), 0);
    EXPECT_EQ(u32_at(image + 40), 3579884u);
    EXPECT_EQ(music::wave_sample_count(image), 1789942u);
}

TEST(WaveImage, SamplesLeadInAndPeak) {
    const Image& made = carol_image();
    ASSERT_NE(made.bytes, nullptr);
    EXPECT_EQ(made.state_after, state_after(made.state_before, 112896));
    for (uint32_t i = 0; i < 6615; ++i) ASSERT_EQ(sample_at(made.bytes, i), 0) << i;
    EXPECT_NE(sample_at(made.bytes, 6615), 0) << "the first tick";
    int32_t peak = 0;
    for (uint32_t i = 0; i < 1789942; ++i) peak = std::max(peak, std::abs(static_cast<int32_t>(sample_at(made.bytes, i))));
    EXPECT_EQ(peak, 22936) << "0.7 of full scale";
    EXPECT_GT(made.peak, 0.0f);
}

// The vectorized sine and exponential against the C library's, sample by
// sample through the whole loop: one step of the 16 bits at most, in at most
// 0.05 % of the samples; the header, the lead-in and the draws exactly.
TEST(WaveImage, MatchesTheLibraryFunctions) {
    const Image& made = carol_image();
    ASSERT_NE(made.bytes, nullptr);
    host::seed_random(8230);
    const std::vector<uint8_t> expected = reference::wave_image();
    EXPECT_EQ(host::random_state, made.state_after);
    ASSERT_EQ(expected.size(), 44u + 2u * music::wave_sample_count(made.bytes));
    EXPECT_EQ(std::memcmp(expected.data(), made.bytes, 44), 0);
    uint32_t differing = 0;
    for (uint32_t i = 0; i < 1789942; ++i) {
        const int32_t want = sample_at(expected.data(), i);
        const int32_t got = sample_at(made.bytes, i);
        if (i < 6615) {
            ASSERT_EQ(got, 0);
        }
        ASSERT_LE(std::abs(want - got), 1) << i;
        differing += want != got;
    }
    EXPECT_LE(differing, 1789942u * 5 / 10000) << differing << " samples differ by one step";
}

// --- when the music is made

struct MusicRun : ::testing::Test {
    int32_t saved_mode = host::run_mode;
    int32_t saved_flag = settings::music_flag;
    void TearDown() override {
        music::free_wave_image();
        host::run_mode = saved_mode;
        settings::music_flag = saved_flag;
    }
};

TEST_F(MusicRun, OnlyInFullScreenWithTheFlagOn) {
    for (int32_t mode : {host::mode_preview, host::mode_windowed, host::mode_capture, host::mode_full_screen}) {
        for (int32_t flag : {0, 1}) {
            if (mode == host::mode_full_screen && flag == 1) continue;
            host::run_mode = mode;
            settings::music_flag = flag;
            host::seed_random(8230);
            EXPECT_EQ(music::make_wave_image(), nullptr) << mode << " " << flag;
            EXPECT_EQ(music::wave_image, nullptr);
            EXPECT_EQ(host::random_state, 8230u) << "mode " << mode << ", flag " << flag;
        }
    }
}

TEST_F(MusicRun, FullScreenMakesTheImageAndFreeingClearsIt) {
    host::run_mode = host::mode_full_screen;
    settings::music_flag = 1;
    host::seed_random(8230);
    uint8_t* image = music::make_wave_image();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(music::wave_image, image);
    EXPECT_EQ(host::random_state, state_after(8230, 112896));
    EXPECT_EQ(std::memcmp(image, carol_image().bytes, 44 + 2 * 1789942), 0);
    music::free_wave_image();
    EXPECT_EQ(music::wave_image, nullptr);
    music::free_wave_image();  // nothing left to free
    EXPECT_EQ(music::wave_image, nullptr);
}

}  // namespace
