#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/process/ProcessedImage.h"

namespace kyp {

// Nine coefficients in 1/4096, row by row (red, green, blue output).
using SaturationMatrix = std::array<int32_t, 9>;

// With s the saturation and k = 1 - s, every row holds the Rec. 709 weights
// times k, plus s on the diagonal, each truncated toward zero after scaling by
// 4096. s = 1 is the identity, s = 0 gives three equal luminance rows. A NaN
// saturation counts as 1 (colours left alone); |s| is limited to 100000.
[[nodiscard]] SaturationMatrix BuildSaturationMatrix(float saturation);

// channel = s * channel + (1 - s) * luminance: each output is the row's dot
// product with the pixel shifted right by 12, limited to 0..1023. Only RGB
// images change.
void ApplySaturation(ProcessedImage& image, float saturation);

// The same on any run of whole RGB pixels: ApplySaturation is this over the
// image, a range of pixels per thread.
class SaturationBand {
public:
    explicit SaturationBand(float saturation);
    void operator()(uint16_t* samples, size_t pixels) const;

private:
    int32_t matrix_[9] = {};
    bool narrow_ = true;  // every row sum fits in 32 bits
    void (*kernel_)(uint16_t*, size_t, const int32_t*) = nullptr;
};

}  // namespace kyp
