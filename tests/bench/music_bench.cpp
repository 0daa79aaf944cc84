// The carol loop's synthesis, start to finish (three tunes, echo,
// normalisation, the 16-bit WAVE image): as the saver makes it, and the
// same with the C library's sinf/expf per sample.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "music/mixdown.h"
#include "music_reference.h"
#include "shared/random.h"

namespace {

void wave_image(benchmark::State& state) {
    for (auto _ : state) {
        shared::seed_random(8230);
        uint8_t* image = music::synthesize_wave_image(nullptr);
        benchmark::DoNotOptimize(image);
        std::free(image);
    }
}
BENCHMARK(wave_image)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void wave_image_with_library_sine(benchmark::State& state) {
    for (auto _ : state) {
        shared::seed_random(8230);
        std::vector<uint8_t> image = reference::wave_image();
        benchmark::DoNotOptimize(image.data());
    }
}
BENCHMARK(wave_image_with_library_sine)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
