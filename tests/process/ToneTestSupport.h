#pragma once
#include <cstdint>
#include <vector>

#include "engine/process/ProcessedImage.h"
#include "engine/process/ProgressCallback.h"

namespace kyp::test {

// Counts ticks and cancels on the tick numbered cancelAt (1-based; 0 never).
class CountingProgress final : public ProgressCallback {
public:
    explicit CountingProgress(int cancelAt = 0) : cancelAt_(cancelAt) {}
    void SetText(const char*) override {}
    void Begin(int32_t) override {}
    bool Tick(int32_t count) override {
        ticks += count;
        return cancelAt_ == 0 || ticks < cancelAt_;
    }
    void End() override {}
    int ticks = 0;

private:
    int cancelAt_;
};

// An image record over a vector the test owns.
inline ProcessedImage MakeImage(std::vector<uint16_t>& samples, uint32_t width, uint32_t height,
                                uint16_t channels) {
    samples.resize(static_cast<size_t>(width) * height * channels);
    ProcessedImage image;
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.bitsPerSample = 16;
    image.byteSize = static_cast<int32_t>(samples.size() * 2);
    image.samples = samples.data();
    return image;
}

// Deterministic pseudo-random samples 0..1023.
inline void FillPattern(std::vector<uint16_t>& samples, uint32_t seed = 1) {
    uint32_t state = seed * 2654435761u + 12345u;
    for (auto& s : samples) {
        state = state * 1664525u + 1013904223u;
        s = static_cast<uint16_t>((state >> 12) % 1024);
    }
}

}  // namespace kyp::test
