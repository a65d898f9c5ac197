// Throughput of the raw-domain, histogram, table and tone kernels on a frame of
// the E-10's size (2256 x 1684), in megapixels per second.
#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <vector>

#include "engine/process/ColourBalance.h"
#include "engine/process/ColourMatrix.h"
#include "engine/process/Curves.h"
#include "engine/process/GammaTable.h"
#include "engine/process/Grayscale.h"
#include "engine/process/Histogram.h"
#include "engine/process/Invert.h"
#include "engine/process/RawCorrections.h"
#include "engine/process/Saturation.h"
#include "engine/process/TableApply.h"
#include "engine/settings/ImportSettings.h"

namespace kyp {
namespace {

constexpr uint32_t kWidth = 2256;
constexpr uint32_t kHeight = 1684;
constexpr double kPixels = static_cast<double>(kWidth) * kHeight;

using Table = std::array<uint16_t, kToneTableSize>;

void Fill(std::vector<uint16_t>& samples) {
    uint32_t state = 12345;
    for (auto& s : samples) {
        state = state * 1664525u + 1013904223u;
        s = static_cast<uint16_t>((state >> 12) % 1024);
    }
}

struct Frame {
    std::vector<uint16_t> samples;
    ProcessedImage image;
    explicit Frame(uint16_t channels) : samples(static_cast<size_t>(kWidth) * kHeight * channels) {
        Fill(samples);
        image.width = kWidth;
        image.height = kHeight;
        image.channels = channels;
        image.bitsPerSample = 16;
        image.byteSize = static_cast<int32_t>(samples.size() * 2);
        image.samples = samples.data();
    }
};

struct Mosaic {
    std::vector<uint16_t> samples = std::vector<uint16_t>(static_cast<size_t>(kWidth) * kHeight);
    RawMosaic mosaic{nullptr, kWidth, kHeight};
    Mosaic() {
        Fill(samples);
        mosaic.samples = samples.data();
    }
};

Table Gamma() {
    Table t{};
    BuildGammaTable(t, kDefaultGammaExponent);
    return t;
}

void Rate(benchmark::State& state) {
    state.counters["MP/s"] =
        benchmark::Counter(kPixels * static_cast<double>(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

void BM_SubtractBlackPoint(benchmark::State& state) {
    Mosaic m;
    const uint16_t black[4] = {0, 0, 0, 0};  // keeps the data stable across iterations
    for (auto _ : state) {
        SubtractBlackPoint(m.mosaic, black);
        benchmark::ClobberMemory();
    }
    Rate(state);
}
BENCHMARK(BM_SubtractBlackPoint)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ApplyRawTablesMaster(benchmark::State& state) {
    Mosaic m;
    const Table curve = Gamma();
    const uint16_t* curves[4] = {curve.data(), nullptr, nullptr, nullptr};
    ImportSettings settings;
    settings.options = opt::rawcurves;
    RawTables tables;
    BuildRawTables(settings, curves, 256, 256, tables);
    for (auto _ : state) benchmark::DoNotOptimize(ApplyRawTables(m.mosaic, tables, nullptr));
    Rate(state);
}
BENCHMARK(BM_ApplyRawTablesMaster)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ApplyRawTablesChannels(benchmark::State& state) {
    Mosaic m;
    ImportSettings settings;
    settings.options = opt::wb | opt::fudge;
    RawTables tables;
    BuildRawTables(settings, nullptr, 400, 350, tables);
    for (auto _ : state) benchmark::DoNotOptimize(ApplyRawTables(m.mosaic, tables, nullptr));
    Rate(state);
}
BENCHMARK(BM_ApplyRawTablesChannels)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ApplyRgbBalance(benchmark::State& state) {
    Frame f(3);
    for (auto _ : state) {
        ApplyRgbBalance(f.image, 256, 256, 256);
        benchmark::ClobberMemory();
    }
    Rate(state);
}
BENCHMARK(BM_ApplyRgbBalance)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ComputeHistogram(benchmark::State& state) {
    Frame f(3);
    auto record = std::make_unique<HistogramRecord>();
    for (auto _ : state) benchmark::DoNotOptimize(ComputeHistogram(f.image, record.get(), nullptr));
    Rate(state);
}
BENCHMARK(BM_ComputeHistogram)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ApplyTable(benchmark::State& state) {
    Frame f(static_cast<uint16_t>(state.range(0)));
    Table identity{};
    for (uint32_t i = 0; i < kToneTableSize; ++i) identity[i] = static_cast<uint16_t>(i);
    for (auto _ : state) benchmark::DoNotOptimize(ApplyTable(f.image, identity.data(), nullptr));
    Rate(state);
}
BENCHMARK(BM_ApplyTable)->Arg(3)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ApplyChannelTables(benchmark::State& state) {
    Frame f(3);
    Table identity{};
    for (uint32_t i = 0; i < kToneTableSize; ++i) identity[i] = static_cast<uint16_t>(i);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ApplyChannelTables(f.samples.data(), static_cast<size_t>(kWidth) * kHeight,
                                                    identity.data(), identity.data(), identity.data(), nullptr));
    }
    Rate(state);
}
BENCHMARK(BM_ApplyChannelTables)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ApplyCurvesRedAndMaster(benchmark::State& state) {
    Frame f(3);
    Table identity{};
    for (uint32_t i = 0; i < kToneTableSize; ++i) identity[i] = static_cast<uint16_t>(i);
    const uint16_t* curves[4] = {identity.data(), identity.data(), nullptr, nullptr};
    for (auto _ : state) {
        ApplyCurves(f.image, curves);
        benchmark::ClobberMemory();
    }
    Rate(state);
}
BENCHMARK(BM_ApplyCurvesRedAndMaster)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ApplyColourMatrix(benchmark::State& state) {
    Frame f(3);
    const int16_t matrix[9] = {256, 0, 0, 0, 256, 0, 0, 0, 256};
    for (auto _ : state) benchmark::DoNotOptimize(ApplyColourMatrix(f.image, matrix));
    Rate(state);
}
BENCHMARK(BM_ApplyColourMatrix)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ApplyColourBalance(benchmark::State& state) {
    Frame f(3);
    auto record = std::make_unique<HistogramRecord>();
    Table r{}, g{}, b{};
    for (auto _ : state) benchmark::DoNotOptimize(ApplyColourBalance(f.image, *record, r, g, b, nullptr));
    Rate(state);
}
BENCHMARK(BM_ApplyColourBalance)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ApplySaturation(benchmark::State& state) {
    Frame f(3);
    for (auto _ : state) {
        ApplySaturation(f.image, 1.0f);  // identity keeps the data stable
        benchmark::ClobberMemory();
    }
    Rate(state);
}
BENCHMARK(BM_ApplySaturation)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ConvertToGrayscale(benchmark::State& state) {
    Frame f(3);
    for (auto _ : state) {
        f.image.channels = 3;  // the samples stay in range; only the layout is reset
        ConvertToGrayscale(f.image);
        benchmark::ClobberMemory();
    }
    Rate(state);
}
BENCHMARK(BM_ConvertToGrayscale)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_InvertImage(benchmark::State& state) {
    Frame f(3);
    for (auto _ : state) {
        InvertImage(f.image);
        benchmark::ClobberMemory();
    }
    Rate(state);
}
BENCHMARK(BM_InvertImage)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BuildGammaTable(benchmark::State& state) {
    Table table{};
    for (auto _ : state) {
        BuildGammaTable(table, kDefaultGammaExponent);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BuildGammaTable)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_BuildRawTables(benchmark::State& state) {
    const Table curve = Gamma();
    const uint16_t* curves[4] = {curve.data(), curve.data(), curve.data(), curve.data()};
    ImportSettings settings;
    settings.options = opt::wb | opt::fudge | opt::scale | opt::rawcurves;
    settings.redScale = (3u << 16) | 2;
    settings.greenScale = (256u << 16) | 256;
    settings.blueScale = (2u << 16) | 3;
    RawTables tables;
    for (auto _ : state) {
        BuildRawTables(settings, curves, 400, 350, tables);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BuildRawTables)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
}  // namespace kyp
