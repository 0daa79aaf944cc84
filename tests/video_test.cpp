// The video's portable half: the pieces, the sound's cut, the requests the
// command line makes and refuses.
#include <gtest/gtest.h>

#include <vector>

#include "host/linux/hack_options.h"
#include "host/video/video.h"

namespace {

TEST(Video, PiecesCoverEveryFrameOnceInOrderAndEvenly) {
    const int32_t cases[][3] = {{60, 2, 2}, {61, 2, 2}, {1801, 16, 16}, {3, 8, 3}, {1, 4, 1}};
    for (const auto& c : cases) {
        std::vector<host::VideoPiece> pieces(static_cast<size_t>(c[1]));
        ASSERT_EQ(host::plan_video_pieces(c[0], c[1], pieces.data()), c[2]);
        int32_t next = 0;
        for (int32_t i = 0; i < c[2]; ++i) {
            EXPECT_EQ(pieces[i].first, next);
            EXPECT_GE(pieces[i].count, c[0] / c[2]);
            EXPECT_LE(pieces[i].count, c[0] / c[2] + 1);
            next += pieces[i].count;
        }
        EXPECT_EQ(next, c[0]);
    }
}

TEST(Video, SoundStartsWhereTheLoopStandsWrapsAndFadesOut) {
    // a loop of 30,000 samples; from 1 s on it stands at sample 22,050
    std::vector<int16_t> loop(30000);
    for (size_t i = 0; i < loop.size(); ++i) loop[i] = static_cast<int16_t>(i % 20000 + 1);
    std::vector<int16_t> sound(2 * 22050);
    host::cut_carol_loop(loop.data(), 30000, 1.0f, sound.data(), static_cast<uint32_t>(sound.size()));
    EXPECT_EQ(sound[0], loop[22050]);
    EXPECT_EQ(sound[7949], loop[29999]);
    EXPECT_EQ(sound[7950], loop[0]);  // wrapped
    EXPECT_EQ(sound[22049], loop[14099]);
    // the last second fades from full to nothing
    EXPECT_EQ(sound[22050], loop[14100]);
    EXPECT_EQ(sound[22050 + 11025], loop[25125] / 2);
    EXPECT_EQ(sound[44099], 0);
    // two samples of sound at 30 frames a second: 735 a frame
    EXPECT_EQ(host::video_sound_count(60, 30), 44100u);
    EXPECT_EQ(host::video_sound_count(3, 60), 1103u);
}

TEST(Video, CommandLineRequestsAndRefusals) {
    const char* made[] = {"frostvale", "--no-snow", "--video", "20", "2.5",       "a.MKV", "--size",    "320x180",
                          "-fps",      "60",        "--jobs",  "3",  "--quality", "5",     "--no-music"};
    const host::HackOptions options = host::parse_hack_options(15, made);
    ASSERT_EQ(options.action, host::HackAction::video);
    const host::VideoRequest& v = options.video;
    EXPECT_EQ(v.format, host::VideoFormat::mkv);
    EXPECT_EQ(v.from, 20.0f);
    EXPECT_EQ(v.seconds, 2.5f);
    EXPECT_EQ(host::video_frame_count(v.seconds, v.fps), 150);
    EXPECT_EQ((std::vector<int32_t>{v.width, v.height, v.fps, v.jobs, v.quality}),
              (std::vector<int32_t>{320, 180, 60, 3, 5}));
    EXPECT_FALSE(v.snow);
    EXPECT_FALSE(v.music);
    // the corner's switch still reads as one
    const char* corner[] = {"frostvale", "--fps", "--root"};
    EXPECT_EQ(host::parse_hack_options(3, corner).fps, 1);

    const std::vector<std::vector<const char*>> refused = {
        {"frostvale", "--video", "0", "10", "a.avi"},
        {"frostvale", "--video", "0", "0", "a.mp4"},
        {"frostvale", "--video", "-1", "10", "a.mp4"},
        {"frostvale", "--video", "1048577", "10", "a.mp4"},
        {"frostvale", "--video", "0", "10", "a.mp4", "--size", "7681x100"},
        {"frostvale", "--video", "0", "10", "a.mp4", "--size", "321x180"},
        {"frostvale", "--video", "0", "10", "a.mp4", "--fps", "25"},
        {"frostvale", "--video", "0", "10", "a.mp4", "--jobs", "0"},
        {"frostvale", "--video", "0", "10"},
    };
    for (const auto& args : refused) {
        EXPECT_EQ(host::parse_hack_options(static_cast<int>(args.size()), args.data()).action, host::HackAction::refuse)
            << args.back();
    }
}

}  // namespace
