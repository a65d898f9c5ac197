#pragma once
// Mosaics and images for the demosaic tests. Mosaics live in vectors of exactly
// width x height samples, so AddressSanitizer sees any read past them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

#include "engine/process/demosaic/DemosaicMethod.h"
#include "engine/process/demosaic/DemosaicTiled.h"
#include "engine/process/ProcessedImage.h"
#include "engine/raw/RawMosaic.h"

namespace kyp::test {

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
    // Samples of channel `channel` that differ from `value`.
    [[nodiscard]] int CountOtherThan(uint32_t channel, uint16_t value) const {
        int other = 0;
        for (uint32_t i = channel; i < image.sampleCount(); i += image.channels) other += image.samples[i] != value;
        return other;
    }
    [[nodiscard]] std::array<int, 3> CountOtherThan(uint16_t red, uint16_t green, uint16_t blue) const {
        return {CountOtherThan(0, red), CountOtherThan(1, green), CountOtherThan(2, blue)};
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
