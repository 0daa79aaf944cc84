#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "host/run/bitmap.h"
#include "host/run/capture.h"

namespace {

TEST(Capture, StepCountsOfTheSingleRunningSum) {
    const struct {
        float seconds;
        int32_t steps;
    } cases[] = {{0.0f, 0}, {-1.0f, 0}, {std::numeric_limits<float>::quiet_NaN(), 0}, {1.0f, 30},
                 {2.0f, 61}, {5.0f, 151}, {10.0f, 300}, {20.0f, 600}, {60.0f, 1801}};
    for (const auto& c : cases) EXPECT_EQ(host::advance_capture(c.seconds), c.steps) << c.seconds;
    uint32_t bits;
    std::memcpy(&bits, &host::capture_step, 4);
    EXPECT_EQ(bits, 0x3D088889u);
}

TEST(Capture, CaptureTimesTheClockCanReach) {
    EXPECT_TRUE(host::capture_time_reachable(-5.0f));
    EXPECT_TRUE(host::capture_time_reachable(std::numeric_limits<float>::quiet_NaN()));
    EXPECT_TRUE(host::capture_time_reachable(1048576.0f));
    EXPECT_FALSE(host::capture_time_reachable(std::nextafter(1048576.0f, 2e6f)));
    EXPECT_FALSE(host::capture_time_reachable(static_cast<float>(1e39)));  // infinite
}

TEST(Bitmap, HeaderAndRowPadding) {
    // 1280 x 720: file size 2,764,854, image size 2,764,800, 24 bits, 1 plane
    const uint8_t expected[host::bitmap_header_size] = {
        'B', 'M', 0x36, 0x30, 0x2A, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 0x00, 0x05, 0, 0,
        0xD0, 0x02, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 0x00, 0x30, 0x2A, 0};
    uint8_t header[host::bitmap_header_size];
    host::fill_bitmap_header(header, 1280, 720);
    EXPECT_EQ(std::memcmp(header, expected, sizeof header), 0);
    EXPECT_EQ(host::bitmap_stride(1280), 3840);
    EXPECT_EQ(host::bitmap_stride(1366), 4100);
    EXPECT_EQ(host::bitmap_stride(5), 16);
}

TEST(Bitmap, FileHoldsHeaderThenRowsAndFailuresLeaveNothing) {
    const std::string path = ::testing::TempDir() + "frostvale_bitmap_test.bmp";
    std::vector<uint8_t> rows(host::bitmap_stride(3) * 2);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(i * 7);
    ASSERT_TRUE(host::write_bitmap_file(path.c_str(), rows.data(), 3, 2));
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<uint8_t> bytes(200);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    std::fclose(f);
    std::remove(path.c_str());
    ASSERT_EQ(bytes.size(), 54u + 24u);
    EXPECT_TRUE(std::equal(rows.begin(), rows.end(), bytes.begin() + 54));

    EXPECT_FALSE(host::write_bitmap_file("/nonexistent-folder/x.bmp", rows.data(), 3, 2));
    EXPECT_FALSE(host::write_bitmap_file(::testing::TempDir().c_str(), rows.data(), 3, 2));
}

}  // namespace
