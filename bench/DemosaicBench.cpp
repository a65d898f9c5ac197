// Demosaic throughput on a mosaic of the E-10/E-20 class size (2256 x 1684),
// reported as mosaic megapixels per second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "engine/process/demosaic/DemosaicMethod.h"
#include "engine/process/demosaic/DemosaicReduced.h"
#include "engine/process/demosaic/DemosaicTiled.h"

namespace {

constexpr uint32_t kWidth = 2256;
constexpr uint32_t kHeight = 1684;

// Smooth gradients per colour with sensor-like noise, so the robust averages
// take both of their paths.
const std::vector<uint16_t>& SyntheticMosaic() {
    static const std::vector<uint16_t> samples = [] {
        std::vector<uint16_t> s(static_cast<size_t>(kWidth) * kHeight);
        std::mt19937 random(2256);
        std::uniform_int_distribution<int> noise(-24, 24);
        for (uint32_t y = 0; y < kHeight; ++y)
            for (uint32_t x = 0; x < kWidth; ++x) {
                const int colour = kyp::SiteColour(x, y);
                int value = 100 + static_cast<int>((x * (colour + 1) + y * 2) % 800) + noise(random);
                s[static_cast<size_t>(y) * kWidth + x] = static_cast<uint16_t>(std::clamp(value, 0, 1023));
            }
        return s;
    }();
    return samples;
}

kyp::RawMosaic MosaicView() {
    return kyp::RawMosaic{const_cast<uint16_t*>(SyntheticMosaic().data()), kWidth, kHeight};
}

void SetRate(benchmark::State& state) {
    state.counters["MP/s"] = benchmark::Counter(kWidth * kHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_DemosaicTiled(benchmark::State& state) {
    const auto number = static_cast<uint16_t>(state.range(0));
    const kyp::RawMosaic mosaic = MosaicView();
    auto method = kyp::CreateDemosaicMethod(number);
    state.SetLabel(method->Name());
    kyp::ProcessedImage image;
    for (auto _ : state) {
        if (!kyp::DemosaicTiled(mosaic, image, *method, nullptr, nullptr, nullptr)) state.SkipWithError("failed");
        benchmark::DoNotOptimize(image.samples);
    }
    std::free(image.samples);
    SetRate(state);
}
BENCHMARK(BM_DemosaicTiled)->Arg(0)->Arg(1)->Arg(7)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DemosaicReduced(benchmark::State& state) {
    const kyp::RawMosaic mosaic = MosaicView();
    const bool grey = state.range(1) != 0;
    kyp::ProcessedImage image;
    for (auto _ : state) {
        if (!kyp::DemosaicReduced(mosaic, image, grey, static_cast<int32_t>(state.range(0)), nullptr, nullptr)) {
            state.SkipWithError("failed");
        }
        benchmark::DoNotOptimize(image.samples);
    }
    std::free(image.samples);
    SetRate(state);
}
BENCHMARK(BM_DemosaicReduced)->Args({12, 0})->Args({12, 1})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
