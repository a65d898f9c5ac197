#pragma once
#include <array>
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

}  // namespace kyp
