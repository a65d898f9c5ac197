#pragma once
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/process/ProcessedImage.h"
#include "engine/core/ProgressCallback.h"

namespace kyp::test {

// Records what a step reports; answers false from tick number `cancelAt` (1-based) on.
class RecordingProgress : public ProgressCallback {
public:
    explicit RecordingProgress(int cancelAt = 0) : cancelAt_(cancelAt) {}
    void SetText(const char* text) override { texts.emplace_back(text); }
    void Begin(int32_t) override {}
    bool Tick(int32_t count) override { return (ticks += count) < cancelAt_ || cancelAt_ == 0; }
    void End() override {}

    int ticks = 0;
    std::vector<std::string> texts;

private:
    int cancelAt_;
};

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
    TestImage& Randomise(unsigned seed, int maximum = 1023) {
        std::mt19937 random(seed);
        for (uint16_t& sample : samples) sample = static_cast<uint16_t>(random() % (maximum + 1));
        return *this;
    }
    [[nodiscard]] uint16_t at(uint32_t x, uint32_t y, uint32_t c = 0) const {
        return image.samples[(size_t{y} * image.width + x) * image.channels + c];
    }
    [[nodiscard]] std::vector<uint16_t> Pixels() const {
        return {image.samples, image.samples + image.sampleCount()};
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

}  // namespace kyp::test
