// music-timing [RUNS]: times the carol loop's synthesis with a plain clock
// (Google Benchmark is not available for MinGW), so that the cross-built
// program can be timed under Wine. Prints the first run (cold: fresh pages
// for the buffers), the best and the median of RUNS (default 21), for the
// saver's renderer and for the same rules with the C library's sinf/expf;
// a checksum of the image, which is the same on every platform (the music
// test holds it); and how far the two images differ: one step of the 16
// bits at most, in at most 0.05 % of the samples, with the same header, or
// it exits with 1.
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
    std::vector<uint8_t> saver;
    for (int i = 0; i < runs; ++i) {
        shared::seed_random(8230);
        const Clock::time_point start = Clock::now();
        uint8_t* image = music::synthesize_wave_image(nullptr);
        times.push_back(milliseconds_since(start));
        if (!image) return 1;
        saver.assign(image, image + music::wave_header_size + 2 * static_cast<size_t>(music::wave_sample_count(image)));
        std::free(image);
    }
    report("vectorized sine and exponential", times);

    times.clear();
    std::vector<uint8_t> library;
    for (int i = 0; i < std::max(1, runs / 4); ++i) {
        shared::seed_random(8230);
        const Clock::time_point start = Clock::now();
        library = reference::wave_image();
        times.push_back(milliseconds_since(start));
    }
    report("C library sinf/expf", times);
    std::printf("image checksum %08x (C library version %08x)\n", checksum(saver.data(), saver.size()),
                checksum(library.data(), library.size()));

    // 16-bit little-endian samples after the 44-byte header
    size_t differing = 0, largest = 0;
    const bool same_size = saver.size() == library.size();
    for (size_t i = 44; same_size && i + 1 < saver.size(); i += 2) {
        const int a = static_cast<int16_t>(saver[i] | saver[i + 1] << 8);
        const int b = static_cast<int16_t>(library[i] | library[i + 1] << 8);
        differing += a != b;
        largest = std::max(largest, static_cast<size_t>(std::abs(a - b)));
    }
    const size_t samples = (saver.size() - 44) / 2;
    const bool close = same_size && std::equal(saver.begin(), saver.begin() + 44, library.begin()) && largest <= 1 &&
                       differing * 10000 <= samples * 5;
    std::printf("%zu of %zu samples differ from the C library version, by at most %zu: %s\n", differing, samples,
                largest, close ? "within one step in 0.05 %" : "TOO FAR");
    return close ? 0 : 1;
}
