#pragma once
// Mosaics, images, generated ORF files and a progress recorder for the
// processing tests. Mosaics live in vectors of exactly width x height samples,
// so AddressSanitizer sees any read past them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "engine/core/ProgressCallback.h"
#include "engine/process/ProcessedImage.h"
#include "engine/process/demosaic/DemosaicMethod.h"
#include "engine/process/demosaic/DemosaicTiled.h"
#include "engine/raw/RawMosaic.h"
#include "tools/sample-orf/SampleOrf.h"

namespace kyp::test {

// Writes down every call: "S<text>|" for SetText, "#" for a tick of 1 ("?"
// for another count), "B" and "E"; answers false from tick number cancelAt
// (1-based; 0 never) on.
class Recorder : public ProgressCallback {
public:
    explicit Recorder(int cancelAt = 0) : cancelAt(cancelAt) {}
    void SetText(const char* text) override {
        texts.emplace_back(text);
        log += std::string("S") + text + "|";
    }
    void Begin(int32_t) override { ++begins, log += "B"; }
    bool Tick(int32_t count) override {
        log += count == 1 ? "#" : "?";
        ticks += count;
        return cancelAt == 0 || ticks < cancelAt;
    }
    void End() override { ++ends, log += "E"; }
    [[nodiscard]] bool Saw(const std::string& text) const {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }

    std::string log;
    std::vector<std::string> texts;
    int ticks = 0, begins = 0, ends = 0;
    int cancelAt;
};

// Generated ORF files in $KYP_TEST_TMP (or the system temp folder), named
// after the process so parallel runs do not meet.
inline std::string SessionTempPath(const std::string& name) {
    const char* base = std::getenv("KYP_TEST_TMP");
    const std::filesystem::path folder = base ? base : std::filesystem::temp_directory_path().string();
    std::filesystem::create_directories(folder);
    return (folder / (std::to_string(getpid()) + "-" + name)).string();
}

// The generator's scene at the given size, with a 64-pixel preview.
inline std::string SampleOrfFile(const std::string& name, uint32_t width = 256, uint32_t height = 192) {
    const std::string path = SessionTempPath(name);
    sample::SampleOrfOptions options;
    options.width = width;
    options.height = height;
    options.previewWidth = 64;
    EXPECT_TRUE(sample::WriteSampleOrf(path, options));
    return path;
}

// A scene whose odd rows are greener than its even rows: the mosaic shows a
// texture defect. Scattered white and black dots decide the levels points of
// the full image but vanish when it is reduced by averaging.
inline std::string StripedOrfFile(const std::string& name, uint32_t width = 252, uint32_t height = 192) {
    const std::string path = SessionTempPath(name);
    EXPECT_TRUE(sample::WriteStripedOrf(path, width, height));
    return path;
}

inline std::vector<uint16_t> Samples(const ProcessedImage& image) {
    return image.samples ? std::vector<uint16_t>(image.samples, image.samples + image.sampleCount())
                         : std::vector<uint16_t>{};
}

// An image record over samples the test owns; by default pixel (x, y) channel c
// holds its own index (y * width + x) * channels + c.
struct TestImage {
    std::vector<uint16_t> samples;
    ProcessedImage image;

    TestImage(uint32_t width, uint32_t height, uint16_t channels, size_t spare = 0)
        : samples(size_t{width} * height * channels + spare) {
        for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint16_t>(i);
        image = {width, height, channels, 16, static_cast<int32_t>(samples.size() * 2), samples.data()};
    }
    TestImage(TestImage&&) = default;
    TestImage& operator=(TestImage&&) = default;

    void Set(const std::vector<uint16_t>& values) { std::copy(values.begin(), values.end(), samples.begin()); }
    // Pseudo-random samples 0..maximum.
    TestImage& Randomise(unsigned seed, int maximum = 1023) {
        std::mt19937 random(seed);
        for (uint16_t& sample : samples) sample = static_cast<uint16_t>(random() % (maximum + 1));
        return *this;
    }
    [[nodiscard]] uint16_t at(uint32_t x, uint32_t y, uint32_t c = 0) const {
        return image.samples[(size_t{y} * image.width + x) * image.channels + c];
    }
};

// An image record over a vector the test owns, filled with pseudo-random 0..1023.
inline ProcessedImage MakeImage(std::vector<uint16_t>& samples, uint32_t width, uint32_t height,
                                uint16_t channels, uint32_t seed = 1) {
    samples.resize(static_cast<size_t>(width) * height * channels);
    uint32_t state = seed;
    for (auto& s : samples) s = static_cast<uint16_t>(((state = state * 1664525u + 1013904223u) >> 12) % 1024);
    return ProcessedImage{width, height, channels, 16, static_cast<int32_t>(samples.size() * 2), samples.data()};
}

struct TestMosaic {
    std::vector<uint16_t> samples;
    uint32_t width = 0;
    uint32_t height = 0;
    [[nodiscard]] RawMosaic view() const { return {const_cast<uint16_t*>(samples.data()), width, height}; }
    uint16_t& at(uint32_t x, uint32_t y) { return samples[static_cast<size_t>(y) * width + x]; }
};

inline TestMosaic MakeMosaic(uint32_t width, uint32_t height, const std::function<int(uint32_t, uint32_t)>& value) {
    TestMosaic mosaic{std::vector<uint16_t>(static_cast<size_t>(width) * height), width, height};
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) mosaic.at(x, y) = static_cast<uint16_t>(value(x, y));
    return mosaic;
}

// Every red site `red`, every green `green`, every blue `blue`.
inline TestMosaic MakeColourField(uint32_t width, uint32_t height, int red, int green, int blue) {
    const int values[3] = {red, green, blue};
    return MakeMosaic(width, height, [&](uint32_t x, uint32_t y) { return values[SiteColour(x, y)]; });
}

// Colour gradients with noise and hot sites: takes both robust-average paths.
inline TestMosaic MakeScene(uint32_t width, uint32_t height, uint32_t seed) {
    std::mt19937 random(seed);
    return MakeMosaic(width, height, [&](uint32_t x, uint32_t y) {
        if (random() % 61 == 0) return 1023;
        const int base = static_cast<int>((x * (3 + SiteColour(x, y)) + y * 7) % 900);
        return std::clamp(base + static_cast<int>(random() % 81) - 40, 0, 1023);
    });
}

// A ProcessedImage whose block is returned to the heap at scope end.
struct OwnedImage {
    ProcessedImage image;
    OwnedImage() = default;
    OwnedImage(const OwnedImage&) = delete;
    ~OwnedImage() { std::free(image.samples); }
    [[nodiscard]] uint16_t at(uint32_t x, uint32_t y, uint32_t channel = 0) const {
        return image.samples[(static_cast<size_t>(y) * image.width + x) * image.channels + channel];
    }
    // Samples of each channel that differ from red, green and blue.
    [[nodiscard]] std::array<int, 3> CountOtherThan(uint16_t red, uint16_t green, uint16_t blue) const {
        std::array<int, 3> other{};
        const uint16_t values[3] = {red, green, blue};
        for (uint32_t i = 0; i < image.sampleCount(); ++i)
            other[i % image.channels] += image.samples[i] != values[i % image.channels];
        return other;
    }
};

inline void Demosaic(uint16_t number, const TestMosaic& mosaic, OwnedImage& out) {
    const auto method = CreateDemosaicMethod(number);
    ASSERT_NE(method, nullptr);
    ASSERT_TRUE(DemosaicTiled(mosaic.view(), out.image, *method, nullptr, nullptr, nullptr));
}

// Heap memory functions that count their calls.
struct CountingMemory {
    static inline int allocations = 0;
    static inline int releases = 0;
    static inline bool fail = false;
    static void Reset() { allocations = releases = 0, fail = false; }
    static void* Allocate(size_t bytes) { return fail ? nullptr : (++allocations, std::malloc(bytes)); }
    static void Release(void* block) { ++releases, std::free(block); }
};

}  // namespace kyp::test
