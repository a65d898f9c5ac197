// Output writers on a camera-sized image (2256 × 1684, the C-5050's raw size):
// TIFF at 8 and 16 bits, the 8-bit colour rendering and the .BMP writer.
// Throughput is counted in bytes of output per second. Files go to
// $KYP_TEST_TMP (or /tmp) and include the flush to disk before the rename.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/output/BitmapRender.h"
#include "engine/output/BitmapWriter.h"
#include "engine/output/TiffWriter.h"
#include "engine/raw/TiffDocument.h"

namespace kyp {
namespace {

constexpr uint32_t kWidth = 2256;
constexpr uint32_t kHeight = 1684;

struct Fixture {
    std::vector<uint16_t> samples;
    ProcessedImage image;
    std::vector<uint8_t> sourceBytes;
    TiffDocument source;
    std::string folder;

    Fixture() {
        samples.resize(size_t{kWidth} * kHeight * 3);
        uint32_t state = 12345;
        for (uint16_t& s : samples) {
            state = state * 1664525u + 1013904223u;
            s = static_cast<uint16_t>(state >> 22);  // 0..1023
        }
        image.width = kWidth;
        image.height = kHeight;
        image.channels = 3;
        image.bitsPerSample = 16;
        image.byteSize = static_cast<int32_t>(samples.size() * 2);
        image.samples = samples.data();

        // A minimal source: a little-endian main directory holding only Make.
        sourceBytes = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 15, 1, 2, 0, 4, 0, 0, 0, 'K', 'y', 'p', 0, 0, 0, 0, 0};
        if (!source.openMemory(ByteView(sourceBytes.data(), sourceBytes.size())) || !source.parse()) std::abort();
        const char* root = std::getenv("KYP_TEST_TMP");
        folder = root && *root ? root : "/tmp";
    }
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

void BM_WriteTiff(benchmark::State& state) {
    Fixture& f = Shared();
    OutputSettings output;
    output.t16 = state.range(0) == 16;
    ImportSettings settings;
    const std::string path = f.folder + "/kyp-bench-" + std::to_string(::getpid()) + ".tif";
    for (auto _ : state) {
        if (!writeTiff(path, &f.source, f.image, settings, output)) state.SkipWithError("writeTiff failed");
    }
    ::unlink(path.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight * 3 * (state.range(0) / 8));
}
BENCHMARK(BM_WriteTiff)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RenderColour(benchmark::State& state) {
    Fixture& f = Shared();
    Bitmap bitmap;
    for (auto _ : state) {
        if (!renderColour(bitmap, f.samples.data(), kWidth, kHeight, state.range(0) != 0, nullptr))
            state.SkipWithError("render failed");
        benchmark::DoNotOptimize(bitmap.pixels());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bitmap.size()));
}
BENCHMARK(BM_RenderColour)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteBmp(benchmark::State& state) {
    Fixture& f = Shared();
    Bitmap bitmap;
    if (!renderColour(bitmap, f.samples.data(), kWidth, kHeight, false, nullptr)) std::abort();
    const std::string path = f.folder + "/kyp-bench-" + std::to_string(::getpid()) + ".bmp";
    for (auto _ : state) {
        if (!writeBmp(bitmap, path)) state.SkipWithError("writeBmp failed");
    }
    ::unlink(path.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * (bitmap.size() + 54)));
}
BENCHMARK(BM_WriteBmp)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kyp
