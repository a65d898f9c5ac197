#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace kyp {

// Every tone operation of the engine is a lookup table indexed by a 10-bit
// sample value. Tables hold kToneTableSize entries, each 0..kToneTableMax.
inline constexpr uint32_t kToneTableSize = 1024;
inline constexpr uint16_t kToneTableMax = 1023;

using ToneTableSpan = std::span<uint16_t, kToneTableSize>;

// Samples are 0..1023 by contract; a stray larger value (a raw file packed
// with more bits, a caller's bug) is read as 1023 so it can never index past
// a table or a histogram block.
[[nodiscard]] inline constexpr uint32_t ClampTableIndex(uint32_t sample) {
    return sample > kToneTableMax ? kToneTableMax : sample;
}

// Number of samples of an image, computed without 32-bit overflow.
[[nodiscard]] inline constexpr size_t ImageSampleCount(uint32_t channels, uint32_t width, uint32_t height) {
    return static_cast<size_t>(channels) * width * height;
}

}  // namespace kyp
