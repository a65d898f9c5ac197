#pragma once
#include <cstdint>

namespace kyp {

// What the image sampler reads under the pointer: the pixel in processed-image
// coordinates (-1, -1 for none), the processed, interpolated (demosaiced full
// image) and displayed (8-bit) values, the three luminances and the sample size.
struct SampleRecord {
    int32_t x = -1;
    int32_t y = -1;
    uint16_t processed[3] = {0, 0, 0};
    uint16_t interpolated[3] = {0, 0, 0};
    uint8_t displayed[3] = {0, 0, 0};
    int32_t processedK = 0;
    int32_t interpolatedK = 0;
    int32_t displayedK = 0;
    int32_t sampleSize = 1;

    [[nodiscard]] bool Empty() const { return x == -1; }
};

}  // namespace kyp
