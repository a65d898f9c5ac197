// JPEG encoding of a full camera frame (2256 × 1684, the E-10's size) at
// quality 95, and decoding of a 640-pixel embedded preview.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "engine/output/JpegPreview.h"
#include "engine/output/JpegWriter.h"

namespace {

struct BenchImage {
    std::vector<uint16_t> samples;
    kyp::ProcessedImage image;
};

// A smooth gradient with a fine checker on top, so the entropy coder has some work.
BenchImage makeImage(uint32_t width, uint32_t height, uint16_t channels) {
    BenchImage b;
    b.samples.resize(size_t{width} * height * channels);
    size_t i = 0;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            for (uint16_t c = 0; c < channels; ++c) {
                const uint32_t ramp = (x * 700 / width + y * 300 / height + c * 100) % 1024;
                b.samples[i++] = static_cast<uint16_t>(((x ^ y) & 1) ? ramp : (ramp * 3 / 4));
            }
    b.image.width = width;
    b.image.height = height;
    b.image.channels = channels;
    b.image.bitsPerSample = 16;
    b.image.byteSize = static_cast<int32_t>(b.samples.size() * 2);
    b.image.samples = b.samples.data();
    return b;
}

void BM_EncodeJpegQuality95(benchmark::State& state) {
    const auto channels = static_cast<uint16_t>(state.range(0));
    const BenchImage b = makeImage(2256, 1684, channels);
    kyp::OutputSettings settings;
    settings.jpegQuality = 95;
    settings.jx = false;
    settings.ja = false;
    size_t encoded = 0;
    for (auto _ : state) {
        kyp::JpegOutputBuffer buffer;
        if (!kyp::writeJpeg(b.image, nullptr, &settings, buffer)) state.SkipWithError("encode failed");
        encoded = buffer.size();
        benchmark::DoNotOptimize(encoded);
    }
    // Throughput counted in input pixels as 8-bit components.
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2256 * 1684 * channels);
    state.counters["jpeg_bytes"] = static_cast<double>(encoded);
}
BENCHMARK(BM_EncodeJpegQuality95)->Arg(3)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

void BM_DecodePreview640(benchmark::State& state) {
    const BenchImage b = makeImage(640, 480, 3);
    kyp::OutputSettings settings;
    settings.jpegQuality = 85;
    settings.jx = false;
    settings.ja = false;
    kyp::JpegOutputBuffer buffer;
    if (!kyp::writeJpeg(b.image, nullptr, &settings, buffer)) {
        state.SkipWithError("encode failed");
        return;
    }
    const std::vector<uint8_t> jpeg = buffer.contiguous();
    kyp::JpegPreviewImage preview;
    for (auto _ : state) {
        if (!kyp::decodeEmbeddedPreview(preview, jpeg.data(), jpeg.size())) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(preview.pixels.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 640 * 480 * 3);
}
BENCHMARK(BM_DecodePreview640)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
