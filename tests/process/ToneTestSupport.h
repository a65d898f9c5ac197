#pragma once
#include <cstdint>
#include <vector>

#include "engine/process/ProcessedImage.h"
#include "engine/core/ProgressCallback.h"

namespace kyp::test {

// Counts ticks; answers false from the tick numbered cancelAt (1-based; 0 never).
class CountingProgress final : public ProgressCallback {
public:
    explicit CountingProgress(int cancelAt = 0) : cancelAt_(cancelAt) {}
    void SetText(const char*) override {}
    void Begin(int32_t) override {}
    bool Tick(int32_t count) override { return (ticks += count) < cancelAt_ || cancelAt_ == 0; }
    void End() override {}
    int ticks = 0;

private:
    int cancelAt_;
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
