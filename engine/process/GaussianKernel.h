#pragma once
#include <cstdint>
#include <vector>

namespace kyp {

// A symmetric blur kernel in fixed point: an odd number of taps, weights in units
// of 1/1024 (they need not add up to exactly 1024). The centre tap is in the middle.
struct GaussianKernel {
    std::vector<int32_t> weights;

    [[nodiscard]] int32_t taps() const { return static_cast<int32_t>(weights.size()); }
    [[nodiscard]] int32_t halfWidth() const { return weights.empty() ? 0 : (taps() - 1) / 2; }
};

// Smallest radius the unsharp mask works with; below it sharpening does nothing.
inline constexpr float kMinUsmRadius = 0.1001f;

// Largest radius a kernel is built for; larger ones (and infinity) are built as this.
// It is the largest radius the Sharpen page offers. Past it the 1/1024 weights stop
// describing a Gaussian (at 900 every weight rounds to 0) and the kernel would grow
// without bound.
inline constexpr float kMaxGaussianRadius = 250.0f;

// Fills the kernel for a radius: sigma = |radius| + 1, cut off at 2 sigma, each tap
// the mean of the Gaussian over its one-pixel interval (51 samples). Radius 0.1001
// gives 77 289 292 289 77; 1.1 gives 27 76 132 185 185 185 132 76 27. A radius that
// is not a number gives the single tap {1024}. Returns false (and no taps) when
// memory runs out.
[[nodiscard]] bool BuildGaussianKernel(GaussianKernel& kernel, float radius);

// True for the kernels the fast paths take: an odd number of symmetric,
// non-negative weights adding up to 1..32767. Every kernel BuildGaussianKernel
// makes is one.
[[nodiscard]] bool IsRegularKernel(const GaussianKernel& kernel);

// Convolves one line of `length` pixels: channels 3 means interleaved red, green,
// blue; any other value one sample per pixel. Each output sample is the weighted sum
// of the input samples under the taps that fall inside the line, divided (truncating)
// by the sum of those taps' weights, clamped to 0..1023; near the ends (or when the
// kernel is longer than the line) fewer taps are used and renormalised. Where the
// covered weights add up to 0 the input sample is kept. `out` and `in` must not
// overlap. An empty kernel copies the line.
void ConvolveLine(uint16_t* out, const uint16_t* in, uint32_t length, const GaussianKernel& kernel,
                  int channels);

}  // namespace kyp
