#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "host/bitmap.h"
#include "host/capture.h"
#include "settings/settings.h"
#include "test_support.h"

namespace {

using test_support::u32_at;


TEST(Capture, StepCountsOfTheSingleRunningSum) {
    EXPECT_EQ(host::advance_capture(0.0f), 0);
    EXPECT_EQ(host::advance_capture(-1.0f), 0);
    EXPECT_EQ(host::advance_capture(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(host::advance_capture(1.0f), 30);
    EXPECT_EQ(host::advance_capture(2.0f), 61);
    EXPECT_EQ(host::advance_capture(5.0f), 151);
    EXPECT_EQ(host::advance_capture(10.0f), 300);
    EXPECT_EQ(host::advance_capture(20.0f), 600);
    EXPECT_EQ(host::advance_capture(60.0f), 1801);
    uint32_t bits;
    std::memcpy(&bits, &host::capture_step, 4);
    EXPECT_EQ(bits, 0x3D088889u);
}

TEST(Bitmap, HeaderOfA1280By720Frame) {
    uint8_t h[host::bitmap_header_size];
    host::fill_bitmap_header(h, 1280, 720);
    EXPECT_EQ(h[0], 'B');
    EXPECT_EQ(h[1], 'M');
    EXPECT_EQ(u32_at(h + 2), 2764854u);
    EXPECT_EQ(u32_at(h + 6), 0u);
    EXPECT_EQ(u32_at(h + 10), 54u);
    EXPECT_EQ(u32_at(h + 14), 40u);
    EXPECT_EQ(u32_at(h + 18), 1280u);
    EXPECT_EQ(u32_at(h + 22), 720u);
    EXPECT_EQ(h[26] | h[27] << 8, 1);
    EXPECT_EQ(h[28] | h[29] << 8, 24);
    EXPECT_EQ(u32_at(h + 30), 0u);
    EXPECT_EQ(u32_at(h + 34), 2764800u);
    for (int i = 38; i < 54; ++i) EXPECT_EQ(h[i], 0) << i;
}

TEST(Bitmap, RowsArePaddedToFourBytes) {
    EXPECT_EQ(host::bitmap_stride(1280), 3840);
    EXPECT_EQ(host::bitmap_stride(1366), 4100);
    EXPECT_EQ(host::bitmap_stride(1), 4);
    EXPECT_EQ(host::bitmap_stride(4), 12);
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
    ASSERT_EQ(bytes.size(), 54u + 24u);
    EXPECT_EQ(u32_at(bytes.data() + 2), 78u);
    EXPECT_TRUE(std::equal(rows.begin(), rows.end(), bytes.begin() + 54));
    std::remove(path.c_str());

    EXPECT_FALSE(host::write_bitmap_file("/nonexistent-folder/x.bmp", rows.data(), 3, 2));
    EXPECT_FALSE(host::write_bitmap_file(::testing::TempDir().c_str(), rows.data(), 3, 2));
}

TEST(Settings, StoredValueMeaning) {
    EXPECT_EQ(settings::flag_from_query(false, 0, 1), 1);  // absent or longer than 4 bytes
    EXPECT_EQ(settings::flag_from_query(false, 7, 0), 0);
    EXPECT_EQ(settings::flag_from_query(true, 5, 0), 1);
    EXPECT_EQ(settings::flag_from_query(true, 0, 1), 0);
    EXPECT_EQ(settings::flag_from_query(true, 0x00000030u, 0), 1);  // text "0"
}

}  // namespace
