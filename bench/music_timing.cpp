// music-timing [RUNS]: times the carol loop's synthesis with a plain clock
// (Google Benchmark is not available for MinGW), so that the cross-built
// program can be timed under Wine. Prints the first run (cold: fresh pages
// for the buffers), the best and the median of RUNS (default 21), for the
// saver's renderer and for the same rules with the C library's sinf/expf;
// and a checksum of the image, which is the same on every platform.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "music/mixdown.h"
#include "music_reference.h"
#include "shared/random.h"

namespace {

using Clock = std::chrono::steady_clock;

double milliseconds_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// FNV-1a over the image bytes.
uint32_t checksum(const uint8_t* bytes, size_t size) {
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}

void report(const char* what, std::vector<double> times) {
    const double first = times[0];
    std::sort(times.begin(), times.end());
    std::printf("%-34s first %7.2f ms   best %7.2f ms   median %7.2f ms   (%zu runs)\n", what, first, times[0],
                times[times.size() / 2], times.size());
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;

    std::vector<double> times;
    uint32_t sum = 0;
    for (int i = 0; i < runs; ++i) {
        shared::seed_random(8230);
        const Clock::time_point start = Clock::now();
        uint8_t* image = music::synthesize_wave_image(nullptr);
        times.push_back(milliseconds_since(start));
        if (!image) return 1;
        sum = checksum(image, music::wave_header_size + 2 * static_cast<size_t>(music::wave_sample_count(image)));
        std::free(image);
    }
    report("vectorized sine and exponential", times);

    times.clear();
    uint32_t library_sum = 0;
    for (int i = 0; i < std::max(1, runs / 4); ++i) {
        shared::seed_random(8230);
        const Clock::time_point start = Clock::now();
        const std::vector<uint8_t> image = reference::wave_image();
        times.push_back(milliseconds_since(start));
        library_sum = checksum(image.data(), image.size());
    }
    report("C library sinf/expf", times);
    std::printf("image checksum %08x (C library version %08x)\n", sum, library_sum);
    return 0;
}
