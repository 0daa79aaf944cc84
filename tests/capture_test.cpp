#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "host/run/bitmap.h"
#include "host/run/capture.h"
#include "host/run/message_text.h"

namespace {

TEST(Capture, StepCountsOfTheSingleRunningSum) {
    const struct {
        float seconds;
        int32_t steps;
    } cases[] = {{0.0f, 0},    {-1.0f, 0},   {std::numeric_limits<float>::quiet_NaN(), 0},
                 {1.0f, 30},   {2.0f, 61},   {5.0f, 151},
                 {10.0f, 300}, {20.0f, 600}, {60.0f, 1801}};
    for (const auto& c : cases) EXPECT_EQ(host::advance_capture(c.seconds), c.steps) << c.seconds;
}

TEST(Capture, CaptureTimesTheClockCanReach) {
    // what only the Windows switch passes on (it reads any text): time 0
    EXPECT_TRUE(host::capture_time_reachable(-5.0f));
    EXPECT_TRUE(host::capture_time_reachable(std::numeric_limits<float>::quiet_NaN()));
    // as a command line gives it; 1048576.1 is the next float up, 1048576.125
    using host::CaptureTime;
    const struct {
        const char* text;
        CaptureTime time;
        float seconds;
    } texts[] = {{"0", CaptureTime::usable, 0.0f},
                 {"2.5", CaptureTime::usable, 2.5f},
                 {"1048576", CaptureTime::usable, 1048576.0f},
                 {"1048576.1", CaptureTime::unreachable, 0.0f},
                 // as written, not as rounded to single or double precision
                 {"1048576.0000001", CaptureTime::unreachable, 0.0f},
                 {"1048576.00000000000000000001", CaptureTime::unreachable, 0.0f},
                 {"0.10485760e7", CaptureTime::usable, 1048576.0f},
                 {"1048575.99999999999999999", CaptureTime::usable, 1048576.0f},
                 {"inf", CaptureTime::unreachable, 0.0f},
                 {"abc", CaptureTime::not_a_number, 0.0f},
                 {"nan", CaptureTime::not_a_number, 0.0f},
                 {"5s", CaptureTime::not_a_number, 0.0f},
                 {"", CaptureTime::not_a_number, 0.0f},
                 {"-5", CaptureTime::negative, 0.0f},
                 // one reader for the capture and the video: decimal only
                 {"0x10", CaptureTime::not_a_number, 0.0f},
                 {" 20", CaptureTime::not_a_number, 0.0f},
                 {"20 ", CaptureTime::not_a_number, 0.0f},
                 {".", CaptureTime::not_a_number, 0.0f},
                 {"1e", CaptureTime::not_a_number, 0.0f},
                 {"2e1", CaptureTime::usable, 20.0f},
                 {".5", CaptureTime::usable, 0.5f}};
    for (const auto& t : texts) {
        float seconds = -1.0f;
        EXPECT_EQ(host::read_capture_time(t.text, &seconds), t.time) << t.text;
        if (t.time == CaptureTime::usable) {
            EXPECT_EQ(seconds, t.seconds) << t.text;
        }
    }
}

// Messages show outside text on one line and cut long text short.
TEST(Capture, MessagesStayOneShortLine) {
    EXPECT_EQ(host::shown_text("a\nb\x1b.bmp"), "a\\nb\\x1b.bmp");
    const std::string digits(10000, '9');
    const std::string refusal = host::capture_request_message(host::CaptureRequest::unreachable, digits.c_str(), "");
    EXPECT_LE(refusal.size(), 200u);
    EXPECT_NE(refusal.find("\xE2\x80\xA6"), std::string::npos) << refusal;
    EXPECT_EQ(refusal.find('\n'), std::string::npos);
}

TEST(Bitmap, Header) {
    // 1280 x 720: file size 2,764,854, image size 2,764,800, 24 bits, 1 plane
    const uint8_t expected[host::bitmap_header_size] = {
        'B',  'M', 0x36, 0x30, 0x2A, 0, 0, 0, 0, 0,  54, 0, 0, 0, 40, 0,    0,    0,    0x00,
        0x05, 0,   0,    0xD0, 0x02, 0, 0, 1, 0, 24, 0,  0, 0, 0, 0,  0x00, 0x30, 0x2A, 0};
    uint8_t header[host::bitmap_header_size];
    host::fill_bitmap_header(header, 1280, 720);
    EXPECT_EQ(std::memcmp(header, expected, sizeof header), 0);
}

std::vector<uint8_t> file_bytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        bytes.resize(200);
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
        std::fclose(f);
    }
    return bytes;
}

std::vector<std::string> folder_entries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] != '.') names.push_back(entry->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// The null (minor 3) or full (minor 7) device to write to: as root a copy
// of it in the test's own folder, so that a writer gone wrong cannot
// replace or remove the system's; empty where no copy can be made.
std::string device(const std::string& folder, const char* name, unsigned minor) {
    if (geteuid() != 0) return std::string("/dev/") + name;
    const std::string node = folder + "/" + name;
    return mknod(node.c_str(), S_IFCHR | 0666, makedev(1, minor)) == 0 ? node : std::string();
}

bool written(const host::CaptureError& error) { return error.fault == host::CaptureFault::none; }

// A new file, an older file replaced whole, a link that stays a link to
// the new file, a device written in place; failures with errno, leaving
// what stood at the path and no file of the writer's.
TEST(Bitmap, FileHoldsHeaderThenRowsAndFailuresLeaveWhatWasThere) {
    char folder_name[] = "/tmp/frostvale-bitmap-XXXXXX";
    ASSERT_NE(mkdtemp(folder_name), nullptr);
    char devices_name[] = "/tmp/frostvale-devices-XXXXXX";
    ASSERT_NE(mkdtemp(devices_name), nullptr);
    const std::string null_device = device(devices_name, "null", 3), full_device = device(devices_name, "full", 7);
    const std::string folder = folder_name, path = folder + "/a.bmp", link = folder + "/link.bmp";
    std::vector<uint8_t> rows(host::bitmap_stride(3) * 2);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(i * 7);
    ASSERT_TRUE(written(host::write_bitmap_file(path.c_str(), rows.data(), 3, 2)));
    std::vector<uint8_t> bytes = file_bytes(path);
    ASSERT_EQ(bytes.size(), 54u + 24u);
    EXPECT_TRUE(std::equal(rows.begin(), rows.end(), bytes.begin() + 54));

    ASSERT_EQ(symlink("a.bmp", link.c_str()), 0);
    ASSERT_TRUE(written(host::write_bitmap_file(link.c_str(), rows.data(), 1, 1)));
    EXPECT_EQ(file_bytes(path).size(), 54u + 4u);
    struct stat status;
    ASSERT_EQ(lstat(link.c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    if (!null_device.empty()) {
        EXPECT_TRUE(written(host::write_bitmap_file(null_device.c_str(), rows.data(), 3, 2)));
    }
    // a link to nothing is refused: nothing appears where it points
    const std::string dangling = folder + "/dangling.bmp";
    ASSERT_EQ(symlink("target.bmp", dangling.c_str()), 0);
    const struct {
        std::string path;
        host::CaptureFault fault;
        int error;
    } failures[] = {{folder + "/none/x.bmp", host::CaptureFault::folder, ENOENT},
                    {folder, host::CaptureFault::file, EISDIR},
                    {dangling, host::CaptureFault::link_to_nothing, ENOENT},
                    {full_device, host::CaptureFault::file, ENOSPC}};
    for (const auto& failure : failures) {
        if (failure.path.empty()) continue;
        const host::CaptureError error = host::write_bitmap_file(failure.path.c_str(), rows.data(), 3, 2);
        EXPECT_EQ(error.fault, failure.fault) << failure.path;
        EXPECT_EQ(error.error, failure.error) << failure.path;
    }
    for (const std::string& node : {null_device, full_device}) {
        if (node.empty()) continue;
        EXPECT_EQ(stat(node.c_str(), &status), 0) << node;
        EXPECT_TRUE(S_ISCHR(status.st_mode)) << node;
        std::remove(node.c_str());
    }
    EXPECT_EQ(folder_entries(folder), (std::vector<std::string>{"a.bmp", "dangling.bmp", "link.bmp"}));
    for (const std::string& name : {path, link, dangling}) std::remove(name.c_str());
    rmdir(folder.c_str());
    rmdir(devices_name);
}

// The replaced file: no set-id bits, the owner kept where the user may
// (root); a file with a second hard link written in place; the longest
// name the file system takes; temporaries of earlier runs left alone.
TEST(Bitmap, ReplacedFilesKeepTheirOwnerAndLinksButNoSetIdBits) {
    char folder_name[] = "/tmp/frostvale-replace-XXXXXX";
    ASSERT_NE(mkdtemp(folder_name), nullptr);
    const std::string folder = folder_name, path = folder + "/a.bmp", other = folder + "/b.bmp";
    const std::string longest = folder + "/" + std::string(251, 'n') + ".bmp";
    std::vector<uint8_t> rows(host::bitmap_stride(2) * 2);  // room for the largest, 2 x 2
    std::vector<std::string> stale;
    for (int n = 0; n < 100; ++n) stale.push_back(path + "." + std::to_string(n) + ".new");
    for (const std::string& name : stale) std::fclose(std::fopen(name.c_str(), "w"));
    for (const std::string& name : {path, longest})
        ASSERT_TRUE(written(host::write_bitmap_file(name.c_str(), rows.data(), 1, 1))) << name;
    ASSERT_EQ(chmod(path.c_str(), 06755), 0);
    const uid_t owner = geteuid() == 0 ? 65534 : geteuid();
    ASSERT_EQ(chown(path.c_str(), owner, static_cast<gid_t>(-1)), 0);
    ASSERT_TRUE(written(host::write_bitmap_file(path.c_str(), rows.data(), 1, 1)));
    struct stat status;
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0755u);
    EXPECT_EQ(status.st_uid, owner);
    ASSERT_EQ(link(path.c_str(), other.c_str()), 0);
    ASSERT_TRUE(written(host::write_bitmap_file(path.c_str(), rows.data(), 2, 2)));
    ASSERT_EQ(stat(other.c_str(), &status), 0);
    EXPECT_EQ(status.st_nlink, 2u);
    EXPECT_EQ(file_bytes(other).size(), 54u + 16u);
    EXPECT_EQ(folder_entries(folder).size(), stale.size() + 3);
    for (const std::string& name : stale) std::remove(name.c_str());
    for (const std::string& name : {path, other, longest}) std::remove(name.c_str());
    rmdir(folder.c_str());
}

}  // namespace
