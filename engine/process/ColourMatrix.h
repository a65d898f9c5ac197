#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/process/ProcessedImage.h"

namespace kyp {

// Camera colour transformation: nine coefficients row by row (red, green, blue
// output), 256 = 1.0. Each output is the signed sum over the pixel's original
// values divided by 256 toward zero, limited to 0..1023. False, and nothing
// changed, unless the image has 3 channels.
bool ApplyColourMatrix(ProcessedImage& image, std::span<const int16_t, 9> matrix);

// The same on any run of whole RGB pixels (ApplyColourMatrix is this over the
// image, a range of pixels per thread).
class ColourMatrixBand {
public:
    explicit ColourMatrixBand(std::span<const int16_t, 9> matrix);
    void operator()(uint16_t* samples, size_t pixels) const;

private:
    int32_t matrix_[9] = {};
    void (*kernel_)(uint16_t*, size_t, const int32_t*) = nullptr;
};

}  // namespace kyp
