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

// The same transformation over runs of interleaved RGB pixels, for passes
// that combine it with other work. Made once per step, then used from any
// number of threads.
class ColourMatrixKernel {
public:
    explicit ColourMatrixKernel(std::span<const int16_t, 9> matrix);
    void operator()(uint16_t* pixels, size_t count) const { run_(pixels, count, m_); }

private:
    int32_t m_[9];
    void (*run_)(uint16_t* __restrict, size_t, const int32_t* __restrict);
};

}  // namespace kyp
