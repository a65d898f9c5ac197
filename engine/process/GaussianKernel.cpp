#include "engine/process/GaussianKernel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "engine/core/KernelTargets.h"
#include "engine/process/FixedDivisor.h"

namespace kyp {

namespace {

// Each tap's raw weight averages the Gaussian over 50 (centre: 51) points spaced
// 0.02 pixel apart.
constexpr int kSamplesPerTap = 50;
constexpr double kSampleStep = 0.02;

constexpr int32_t kMaxSample = 1023;

inline uint16_t ClampSample(int64_t value) {
    return static_cast<uint16_t>(std::clamp<int64_t>(value, 0, kMaxSample));
}

// Samples of the interior handled per block; the accumulators live on the stack.
constexpr size_t kBlockSamples = 1024;

// Interior of a line where every tap falls inside: tap-major so the inner loops run
// over contiguous samples (channels interleaved, tap stride = channel count) and
// vectorise. Needs a symmetric kernel of non-negative weights adding up to less than
// 32768, so sums of 16-bit samples stay below 2^31.
KYP_ALWAYS_INLINE void ConvolveInteriorBody(uint16_t* out, const uint16_t* in, size_t begin, size_t end,
                                            const int32_t* centre, int32_t half, size_t stride,
                                            const FixedDivisor& divisor) {
    int32_t accumulator[kBlockSamples];
    for (size_t blockStart = begin; blockStart < end; blockStart += kBlockSamples) {
        const size_t count = std::min(kBlockSamples, end - blockStart);
        const uint16_t* source = in + blockStart;
        const int32_t centreWeight = centre[0];
        for (size_t k = 0; k < count; ++k) accumulator[k] = centreWeight * source[k];
        for (int32_t j = 1; j <= half; ++j) {
            const int32_t weight = centre[j];
            const uint16_t* before = source - static_cast<size_t>(j) * stride;
            const uint16_t* after = source + static_cast<size_t>(j) * stride;
            for (size_t k = 0; k < count; ++k) accumulator[k] += weight * (before[k] + after[k]);
        }
        uint16_t* target = out + blockStart;
        for (size_t k = 0; k < count; ++k) {
            const uint32_t value = divisor.Divide(accumulator[k]);
            target[k] = static_cast<uint16_t>(std::min<uint32_t>(value, kMaxSample));
        }
    }
}

KYP_KERNEL_VARIANTS(ConvolveInteriorFor, ConvolveInteriorBody,
                    (uint16_t* out, const uint16_t* in, size_t begin, size_t end, const int32_t* centre, int32_t half,
                     size_t stride, const FixedDivisor& divisor),
                    (out, in, begin, end, centre, half, stride, divisor))

void ConvolveInterior(uint16_t* out, const uint16_t* in, size_t begin, size_t end, const int32_t* centre, int32_t half,
                      size_t stride, const FixedDivisor& divisor) {
    PickConvolveInteriorFor(KernelTargetInUse())(out, in, begin, end, centre, half, stride, divisor);
}

// One pixel using only the taps inside the line, renormalised by their weights.
// 64-bit sums, so any kernel is safe here.
void ConvolvePixel(uint16_t* out, const uint16_t* in, int64_t length, int64_t position, const int32_t* centre,
                   int32_t half, int channels) {
    const int64_t first = std::max<int64_t>(-half, -position);
    const int64_t last = std::min<int64_t>(half, length - 1 - position);
    int64_t weightSum = 0;
    int64_t sums[3] = {0, 0, 0};
    for (int64_t j = first; j <= last; ++j) {
        const int64_t weight = centre[j];
        const uint16_t* pixel = in + (position + j) * channels;
        weightSum += weight;
        for (int c = 0; c < channels; ++c) sums[c] += weight * pixel[c];
    }
    uint16_t* target = out + position * channels;
    const uint16_t* source = in + position * channels;
    for (int c = 0; c < channels; ++c)
        target[c] = weightSum == 0 ? source[c] : ClampSample(sums[c] / weightSum);
}

}  // namespace

bool BuildGaussianKernel(GaussianKernel& kernel, float radius) {
    kernel.weights.clear();
    if (std::isnan(radius)) {
        try {
            kernel.weights.assign(1, 1024);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
    const double sigma = std::min(std::fabs(static_cast<double>(radius)), double{kMaxGaussianRadius}) + 1.0;
    const double cutoff = 2.0 * sigma;
    const int32_t half = std::max(0, static_cast<int32_t>(std::ceil(cutoff - 0.5)));
    const int32_t taps = 2 * half + 1;
    std::vector<float> raw;
    try {
        kernel.weights.resize(static_cast<size_t>(taps));
        raw.resize(static_cast<size_t>(half) + 1);
    } catch (const std::bad_alloc&) {
        kernel.weights.clear();
        return false;
    }

    const double twoSigmaSquared = 2.0 * sigma * sigma;
    const auto gaussian = [twoSigmaSquared](double t) { return std::exp(-t * t / twoSigmaSquared); };

    // Raw weights in single precision, as the fixed-point weights are derived from
    // them. The centre tap is the mean over the 51 points 0.5 .. 1.5, the same
    // interval as the distance-1 tap.
    double centre = 0.0;
    for (int k = 0; k <= kSamplesPerTap; ++k) centre += gaussian(0.5 + kSampleStep * k);
    raw[0] = static_cast<float>(centre / (kSamplesPerTap + 1));
    for (int32_t d = 1; d <= half; ++d) {
        double sum = 0.0;
        for (int k = 1; k <= kSamplesPerTap; ++k) {
            const double t = (d - 0.5) + kSampleStep * k;
            if (t <= cutoff) sum += gaussian(t);
        }
        raw[static_cast<size_t>(d)] = static_cast<float>(kSampleStep * sum);
    }
    double total = raw[0];
    for (int32_t d = 1; d <= half; ++d) total += 2.0 * raw[static_cast<size_t>(d)];

    for (int32_t d = 0; d <= half; ++d) {
        const auto weight = static_cast<int32_t>(std::trunc(raw[static_cast<size_t>(d)] / total * 1024.0 + 0.5));
        kernel.weights[static_cast<size_t>(half + d)] = weight;
        kernel.weights[static_cast<size_t>(half - d)] = weight;
    }
    return true;
}

bool IsRegularKernel(const GaussianKernel& kernel) {
    if (kernel.weights.size() % 2 == 0) return false;
    const int32_t half = kernel.halfWidth();
    const int32_t* centre = kernel.weights.data() + half;
    int64_t total = centre[0];
    bool regular = centre[0] >= 0;
    for (int32_t j = 1; j <= half; ++j) {
        regular = regular && centre[j] >= 0 && centre[j] == centre[-j];
        total += int64_t{centre[j]} + centre[-j];
    }
    return regular && total > 0 && total <= FixedDivisor::kLargest;
}

void ConvolveLine(uint16_t* out, const uint16_t* in, uint32_t length, const GaussianKernel& kernel,
                  int channels) {
    channels = channels == 3 ? 3 : 1;
    if (length == 0) return;
    if (kernel.weights.empty()) {
        std::memcpy(out, in, size_t{length} * static_cast<size_t>(channels) * sizeof(uint16_t));
        return;
    }
    const int32_t half = kernel.halfWidth();
    const int32_t* centre = kernel.weights.data() + half;

    // The fast interior needs a regular kernel; every kernel BuildGaussianKernel
    // makes is one.
    const bool regular = IsRegularKernel(kernel);
    int64_t total = 0;
    for (const int32_t weight : kernel.weights) total += weight;

    const int64_t pixels = length;
    int64_t interiorBegin = pixels;  // first and one-past-last pixel of the fast interior
    int64_t interiorEnd = pixels;
    if (regular && pixels > 2 * int64_t{half}) {
        interiorBegin = half;
        interiorEnd = pixels - half;
        ConvolveInterior(out, in, static_cast<size_t>(interiorBegin) * channels,
                         static_cast<size_t>(interiorEnd) * channels, centre, half, static_cast<size_t>(channels),
                         FixedDivisor(static_cast<uint32_t>(total)));
    }
    for (int64_t i = 0; i < interiorBegin; ++i) ConvolvePixel(out, in, pixels, i, centre, half, channels);
    for (int64_t i = interiorEnd; i < pixels; ++i) ConvolvePixel(out, in, pixels, i, centre, half, channels);
}

}  // namespace kyp
