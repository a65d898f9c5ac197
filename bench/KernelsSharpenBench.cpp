// Throughput of the sharpening, geometry and texture-defect kernels on a frame of
// 2256 x 1684 pixels, in megapixels per second ("MP/s").
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "engine/process/FlipRotate.h"
#include "engine/process/TextureDefect.h"
#include "engine/process/UnsharpMask.h"

namespace kyp {
namespace {

constexpr uint32_t kWidth = 2256;
constexpr uint32_t kHeight = 1684;
constexpr double kPixels = double{kWidth} * kHeight;

// Smooth gradients with noise, so sharpening and the texture estimate see both
// flat areas and edges.
std::vector<uint16_t> Frame(size_t channels, unsigned seed) {
    std::vector<uint16_t> samples(size_t{kWidth} * kHeight * channels);
    std::mt19937 random(seed);
    for (size_t y = 0; y < kHeight; ++y)
        for (size_t x = 0; x < kWidth; ++x)
            for (size_t c = 0; c < channels; ++c) {
                const int base = static_cast<int>((x * (c + 1) + y * 2) % 900);
                samples[(y * kWidth + x) * channels + c] = static_cast<uint16_t>(base + random() % 64);
            }
    return samples;
}

ProcessedImage Image(std::vector<uint16_t>& samples, uint16_t channels) {
    ProcessedImage image;
    image.width = kWidth;
    image.height = kHeight;
    image.channels = channels;
    image.bitsPerSample = 16;
    image.byteSize = static_cast<int32_t>(samples.size() * 2);
    image.samples = samples.data();
    return image;
}

void SetRate(benchmark::State& state) {
    state.counters["MP/s"] =
        benchmark::Counter(kPixels * static_cast<double>(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

void BM_UnsharpMask(benchmark::State& state) {
    const float radius = static_cast<float>(state.range(0)) / 10.0f;
    const auto channels = static_cast<uint16_t>(state.range(1));
    std::vector<uint16_t> samples = Frame(channels, 1);
    ProcessedImage image = Image(samples, channels);
    SharpenBuffers buffers;
    for (auto _ : state) {
        const bool done = UnsharpMask(image, 100, radius, 0, nullptr, buffers);
        benchmark::DoNotOptimize(done);
    }
    SetRate(state);
}
BENCHMARK(BM_UnsharpMask)->Args({11, 3})->Args({50, 3})->Args({11, 1})->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RotateImage(benchmark::State& state) {
    std::vector<uint16_t> samples = Frame(3, 2);
    const ProcessedImage source = Image(samples, 3);
    std::vector<uint16_t> target(samples.size());
    ProcessedImage destination = Image(target, 3);
    for (auto _ : state) {
        destination.byteSize = source.byteSize;
        const bool done = RotateImage(destination, source, static_cast<int>(state.range(0)));
        benchmark::DoNotOptimize(done);
    }
    SetRate(state);
}
BENCHMARK(BM_RotateImage)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FlipImage(benchmark::State& state) {
    std::vector<uint16_t> samples = Frame(3, 3);
    ProcessedImage image = Image(samples, 3);
    const bool horizontal = (state.range(0) & 1) != 0;
    const bool vertical = (state.range(0) & 2) != 0;
    for (auto _ : state) {
        const bool done = FlipImage(image, horizontal, vertical);
        benchmark::DoNotOptimize(done);
    }
    SetRate(state);
}
BENCHMARK(BM_FlipImage)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime();

RawMosaic Mosaic(std::vector<uint16_t>& samples) {
    RawMosaic mosaic;
    mosaic.samples = samples.data();
    mosaic.width = kWidth;
    mosaic.height = kHeight;
    return mosaic;
}

// The measure over the step's region (a third of the columns of a third of the rows);
// the rate still counts the whole frame, as the step does.
void BM_TextureMeasure(benchmark::State& state) {
    std::vector<uint16_t> samples = Frame(1, 4);
    const RawMosaic mosaic = Mosaic(samples);
    for (auto _ : state) {
        int32_t measure = 0;
        const int found = MeasureTextureDefect(mosaic, kWidth / 3, kHeight / 3, 3, &measure, nullptr);
        benchmark::DoNotOptimize(found);
        benchmark::DoNotOptimize(measure);
    }
    SetRate(state);
}
BENCHMARK(BM_TextureMeasure)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TextureCorrect(benchmark::State& state) {
    std::vector<uint16_t> samples = Frame(1, 5);
    const RawMosaic mosaic = Mosaic(samples);
    for (auto _ : state) {
        const int result = CorrectTextureDefect(mosaic, static_cast<int>(state.range(0)), nullptr);
        benchmark::DoNotOptimize(result);
    }
    SetRate(state);
}
BENCHMARK(BM_TextureCorrect)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kyp
