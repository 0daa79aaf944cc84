// The video's portable half: the pieces, the sound's cut, the requests the
// command line makes and refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
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

TEST(Video, SoundStartsWhereTheLoopStandsWrapsAndFadesOutInAnyPieces) {
    // a loop of 30,000 samples; from 1 s on it stands at sample 22,050
    std::vector<int16_t> loop(30000);
    for (size_t i = 0; i < loop.size(); ++i) loop[i] = static_cast<int16_t>(i % 20000 + 1);
    std::vector<int16_t> sound(2 * 22050);
    host::cut_carol_loop(loop.data(), 30000, 1.0f, sound.size(), 0, sound.data(), static_cast<uint32_t>(sound.size()));
    EXPECT_EQ(sound[0], loop[22050]);
    EXPECT_EQ(sound[7949], loop[29999]);
    EXPECT_EQ(sound[7950], loop[0]);  // wrapped
    EXPECT_EQ(sound[22049], loop[14099]);
    // the last second fades from full to nothing
    EXPECT_EQ(sound[22050], loop[14100]);
    EXPECT_EQ(sound[22050 + 11025], loop[25125] / 2);
    EXPECT_EQ(sound[44099], 0);
    // made in pieces of any length, the same samples
    for (const uint32_t length : {1u, 777u, 16384u}) {
        std::vector<int16_t> pieces(sound.size());
        for (uint64_t first = 0; first < pieces.size(); first += length) {
            const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(length, pieces.size() - first));
            host::cut_carol_loop(loop.data(), 30000, 1.0f, pieces.size(), first, pieces.data() + first, count);
        }
        EXPECT_TRUE(pieces == sound) << length;
    }
    // two samples of sound at 30 frames a second: 735 a frame
    EXPECT_EQ(host::video_sound_count(60, 30), 44100u);
    EXPECT_EQ(host::video_sound_count(3, 60), 1103u);
    // the longest span, 1048576 s at 60 frames a second: past 2^32 samples,
    // its last samples still where the loop stands and faded
    const int32_t frames = host::video_frame_count(1048576.0f, 60);
    const uint64_t total = host::video_sound_count(frames, 60);
    EXPECT_EQ(total, 1048576ull * 22050);
    int16_t end[22051];
    host::cut_carol_loop(loop.data(), 30000, 0.0f, total, total - 22051, end, 22051);
    EXPECT_EQ(end[0], loop[(total - 22051) % 30000]);
    EXPECT_EQ(end[11026], loop[(total - 11025) % 30000] / 2);
    EXPECT_EQ(end[22050], 0);
}

TEST(Video, JoinedVideoIsCheckedForItsStreamsFramesAndLength) {
    const std::string whole =
        "codec_type=video\nnb_read_packets=60\ncodec_type=audio\nnb_read_packets=87\n"
        "duration=2.021000\n";
    EXPECT_EQ(host::joined_video_problem(whole, 60, 30, true), nullptr);
    EXPECT_NE(host::joined_video_problem(whole, 60, 30, false), nullptr);  // a sound stream it should not have
    EXPECT_NE(host::joined_video_problem(whole, 61, 30, true), nullptr);
    EXPECT_NE(host::joined_video_problem("codec_type=video\nnb_read_packets=60\nduration=2.0\n", 60, 30, true),
              nullptr);
    // a truncated file: fewer frames, or its length cut
    EXPECT_NE(host::joined_video_problem("codec_type=video\nnb_read_packets=33\nduration=1.1\n", 60, 30, false),
              nullptr);
    EXPECT_NE(host::joined_video_problem("codec_type=video\nnb_read_packets=60\nduration=1.5\n", 60, 30, false),
              nullptr);
    EXPECT_NE(host::joined_video_problem("", 60, 30, false), nullptr);
    EXPECT_EQ(host::joined_webp_problem(30, 1000, 30, 30), nullptr);
    EXPECT_NE(host::joined_webp_problem(29, 967, 30, 30), nullptr);
}

TEST(Video, ProgressCountsTheFinalEncodeAndEstimatesOnlyFromARate) {
    // no rate yet: no time left, whatever has been done
    EXPECT_EQ(host::video_progress_line(0, 120, 120, 0.0), "  0 %  0 / 120 frames");
    EXPECT_EQ(host::video_progress_line(60, 120, 120, 30.0), " 50 %  60 / 120 frames  30.0 frames/s  0:02 left");
    // a .gif: every frame rendered is half the work, the encode the rest
    EXPECT_EQ(host::video_progress_line(120, 240, 120, 0.0), " 50 %  120 / 120 frames, 0 encoded");
    EXPECT_EQ(host::video_progress_line(180, 240, 120, 20.0),
              " 75 %  120 / 120 frames, 60 encoded  20.0 frames/s  0:03 left");
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
        {"frostvale", "--video", "0x10", "10", "a.mp4"},
        {"frostvale", "--video", "0", " 20", "a.mp4"},
        {"frostvale", "--video", "0", "1", "a.mp4", "--video", "0", "1", "b.mp4"},
        {"frostvale", "--capture", "0", "a.bmp", "--video", "0", "1", "b.mp4"},
        {"frostvale", "--root", "--fps", "30"},
    };
    for (const auto& args : refused) {
        EXPECT_EQ(host::parse_hack_options(static_cast<int>(args.size()), args.data()).action, host::HackAction::refuse)
            << args.back();
    }
    // the argument at fault: SECONDS for a length it cannot be, FILE for
    // an extension, the rate where it comes without a video
    const char* long_span[] = {"frostvale", "--video", "0", "2000000", "a.mp4"};
    EXPECT_EQ(host::parse_hack_options(5, long_span).bad_arg, 3);
    const char* no_video[] = {"frostvale", "--fps", "60"};
    EXPECT_EQ(host::parse_hack_options(3, no_video).bad_arg, 1);
    const char* avi[] = {"frostvale", "--video", "0", "1", "a.avi"};
    EXPECT_EQ(host::parse_hack_options(5, avi).bad_arg, 4);
}

}  // namespace
