// The Linux hosts' parts that need no display: the stop signals and their
// wake-up pipe, the music lock's display keys, the ALSA player's loop
// (ALSA's default device pointed at a file) and the window icon.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "host/linux/music_lock_linux.h"
#include "host/linux/stop_signals_posix.h"
#include "host/x11/window_icon.h"
#include "music/mixdown.h"
#include "music/music.h"
#include "music/playback_alsa.h"
#include "shared/little_endian.h"
#include "shared/random.h"

namespace {

bool readable(int fd) {
    pollfd p = {fd, POLLIN, 0};
    return poll(&p, 1, 0) == 1;
}

// One spelling per display, X or Wayland, so that the runs of one display
// meet at one lock and the runs of two never do.
TEST(MusicLock, OneKeyPerDisplayAndOneHolder) {
    EXPECT_EQ(host::canonical_display("localhost/unix:71.1"), ":71");
    EXPECT_EQ(host::canonical_display("unix:71"), ":71");
    EXPECT_EQ(host::canonical_wayland_display("wayland-1", "/run/user/1000"), "wayland:/run/user/1000/wayland-1");
    EXPECT_EQ(host::canonical_wayland_display("/run/user/1000/wayland-1", "/elsewhere"),
              "wayland:/run/user/1000/wayland-1");
    EXPECT_EQ(host::canonical_wayland_display(nullptr, "/run/user/7"), "wayland:/run/user/7/wayland-0");
    EXPECT_EQ(host::canonical_wayland_display("", "/run/user/7"), "wayland:/run/user/7/wayland-0");
    // a display of this test's own: the first take holds it, a second run
    // of the same user stays silent; another display is another lock
    const std::string folder = "/frostvale-test/" + std::to_string(getpid());
    const std::string key = host::canonical_wayland_display(nullptr, folder.c_str());
    EXPECT_TRUE(host::take_music_lock(key));
    EXPECT_FALSE(host::take_music_lock(key));
    EXPECT_TRUE(host::take_music_lock(key + "-other"));
}

TEST(StopSignals, EachSignalIsNotedAndWakesThePipeUntilRemoved) {
    for (const int signal_number : {SIGTERM, SIGINT}) {
        const int wake = host::install_stop_signals();
        ASSERT_GE(wake, 0);
        EXPECT_FALSE(host::stop_requested());
        EXPECT_FALSE(readable(wake));
        raise(signal_number);
        EXPECT_TRUE(host::stop_requested());
        EXPECT_TRUE(readable(wake));
        host::remove_stop_signals();
        struct sigaction now;
        sigaction(signal_number, nullptr, &now);
        EXPECT_EQ(now.sa_handler, SIG_DFL);
    }
}

// ALSA's default device as a file of raw samples, through the null device.
struct AlsaToFile : ::testing::Test {
    std::string folder, config, output;
    void SetUp() override {
        char name[] = "/tmp/frostvale-alsa-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        config = folder + "/asound.conf";
        output = folder + "/out.raw";
        use_device("type file slave { pcm { type null } } file \"" + output + "\" format raw");
    }
    void use_device(const std::string& definition) {
        std::ofstream(config) << "pcm.!default { " << definition << " }\n";
        setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    }
    std::vector<int16_t> written() {
        std::ifstream in(output, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::vector<int16_t> samples(bytes.size() / 2);
        for (size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<int16_t>(shared::get_u16(reinterpret_cast<const uint8_t*>(&bytes[2 * i])));
        }
        return samples;
    }
    void TearDown() override {
        std::remove(output.c_str());
        std::remove(config.c_str());
        rmdir(folder.c_str());
    }
};

// A 0.1 s image loops several times in 0.6 s, sample for sample, and the
// null device, which never makes the player wait, gets no more than the
// clock allows (0.6 s plus half a second ahead).
TEST_F(AlsaToFile, TheLoopsSamplesOverAndOverHeldToTheClock) {
    const uint32_t count = 2205;
    std::vector<uint8_t> image(music::wave_header_size + 2 * count);
    shared::put_u32(&image[40], 2 * count);
    for (uint32_t i = 0; i < count; ++i) shared::put_u16(&image[44 + 2 * i], i * 29 - 30000);
    const auto start = std::chrono::steady_clock::now();
    music::start_loop(image.data());
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    music::stop_loop();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::vector<int16_t> samples = written();
    ASSERT_GT(samples.size(), 4 * count);
    EXPECT_LE(samples.size(), (seconds + 0.5) * 22050 + 1);
    for (size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ(samples[i], static_cast<int16_t>((i % count) * 29 - 30000)) << "sample " << i;
    }
    music::stop_loop();  // a second stop finds nothing to do
}

// The carol loop as a full-screen run with music makes it: the device gets
// the image's own samples from the first; stopping frees the image. No
// device at all: nothing plays, nothing waits.
TEST_F(AlsaToFile, TheCarolLoopPlaysFromItsFirstSampleAndStops) {
    shared::seed_random(8230);
    music::build_music();
    ASSERT_NE(music::wave_image, nullptr);
    const std::vector<uint8_t> image(music::wave_image, music::wave_image + 44 + 2 * 1789942);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    music::stop_music();
    EXPECT_EQ(music::wave_image, nullptr);
    const std::vector<int16_t> samples = written();
    ASSERT_GT(samples.size(), 6615u + 2205u);  // the 0.3 s lead-in and more
    for (size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ(samples[i], static_cast<int16_t>(shared::get_u16(&image[44 + 2 * i]))) << "sample " << i;
    }

    use_device("type hw card 99");
    const auto start = std::chrono::steady_clock::now();
    music::start_loop(image.data());
    EXPECT_TRUE(music::stop_loop());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(WindowIcon, TheIconFilesImagesAsArgbRowsTopFirst) {
    static uint32_t icon[8000];
    const size_t values = host::net_wm_icon_from_ico(host::icon_file, host::icon_file_size, icon, 8000);
    ASSERT_EQ(values, 8 + 64 * 64 + 48 * 48 + 32 * 32 + 16 * 16);  // the 256-pixel PNG is left out
    size_t at = 0;
    for (const uint32_t size : {64u, 48u, 32u, 16u}) {
        ASSERT_EQ(icon[at], size);
        ASSERT_EQ(icon[at + 1], size);
        const uint32_t* pixels = &icon[at + 2];
        EXPECT_LT(pixels[0] >> 24, 32u) << size;  // rounded corners are (nearly) see-through
        // the gold star near the top, the snow near the bottom, both opaque
        const uint32_t star = pixels[size * 17 / 100 * size + size / 2];
        const uint32_t snow = pixels[size * 92 / 100 * size + size / 4];
        EXPECT_EQ(star >> 24, 255u) << size;
        EXPECT_GT((star >> 16 & 255), (star & 255) + 100) << size;  // red far above blue
        EXPECT_GT(snow & 255, 200u) << size;
        at += 2 + size * size;
    }
    EXPECT_EQ(host::net_wm_icon_from_ico(host::icon_file, 1000, icon, 8000), 0u);  // cut short
    EXPECT_EQ(host::net_wm_icon_from_ico(host::icon_file, host::icon_file_size, icon, 4000), 0u);
}

}  // namespace
