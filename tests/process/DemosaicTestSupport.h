#pragma once
// Small mosaics and images for the demosaic tests. Mosaics live in vectors of
// exactly width x height samples so that AddressSanitizer sees any read past
// them.
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

#include "engine/process/MemoryFunctions.h"
#include "engine/process/ProcessedImage.h"
#include "engine/raw/RawMosaic.h"

namespace kyp::test {

struct TestMosaic {
    std::vector<uint16_t> samples;
    uint32_t width = 0;
    uint32_t height = 0;

    [[nodiscard]] RawMosaic view() const {
        return RawMosaic{const_cast<uint16_t*>(samples.data()), width, height};
    }
    uint16_t& at(uint32_t x, uint32_t y) { return samples[static_cast<size_t>(y) * width + x]; }
};

inline TestMosaic MakeMosaic(uint32_t width, uint32_t height,
                             const std::function<uint16_t(uint32_t, uint32_t)>& value) {
    TestMosaic mosaic{std::vector<uint16_t>(static_cast<size_t>(width) * height), width, height};
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) mosaic.at(x, y) = value(x, y);
    return mosaic;
}

// Every red site `red`, every green `green`, every blue `blue`.
inline TestMosaic MakeColourField(uint32_t width, uint32_t height, uint16_t red, uint16_t green,
                                  uint16_t blue) {
    const uint16_t values[3] = {red, green, blue};
    return MakeMosaic(width, height, [&](uint32_t x, uint32_t y) { return values[SiteColour(x, y)]; });
}

// Smooth colour gradients with noise and a few hot sites: exercises both
// branches of the robust average.
inline TestMosaic MakeScene(uint32_t width, uint32_t height, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(-40, 40);
    std::uniform_int_distribution<int> hot(0, 60);
    return MakeMosaic(width, height, [&](uint32_t x, uint32_t y) {
        const int base = SiteColour(x, y) == 1 ? static_cast<int>((x * 3 + y * 2) % 700)
                                               : static_cast<int>((x * 5 + y * 7) % 900);
        int value = base + noise(random);
        if (hot(random) == 0) value = 1023;
        return static_cast<uint16_t>(value < 0 ? 0 : value > 1023 ? 1023 : value);
    });
}

// A ProcessedImage whose block is freed with the heap pair at scope end.
struct OwnedImage {
    ProcessedImage image;
    OwnedImage() = default;
    OwnedImage(const OwnedImage&) = delete;
    OwnedImage& operator=(const OwnedImage&) = delete;
    ~OwnedImage() { std::free(image.samples); }
    [[nodiscard]] uint16_t at(uint32_t x, uint32_t y, uint32_t channel = 0) const {
        return image.samples[(static_cast<size_t>(y) * image.width + x) * image.channels + channel];
    }
};

// Memory functions that count their calls (heap underneath).
struct CountingMemory {
    static inline int allocations = 0;
    static inline int releases = 0;
    static inline bool fail = false;
    static void Reset() { allocations = releases = 0; fail = false; }
    static void* Allocate(size_t bytes) {
        if (fail) return nullptr;
        ++allocations;
        return std::malloc(bytes);
    }
    static void Release(void* block) {
        ++releases;
        std::free(block);
    }
};

}  // namespace kyp::test
