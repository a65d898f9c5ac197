#include "engine/process/demosaic/DemosaicLuminanceGradient.h"

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "engine/core/KernelTargets.h"

namespace kyp {
namespace {

using luminance::ColourHalf;
using luminance::HalfRow;
using luminance::HalfSpan;
using luminance::kBlueWeight;
using luminance::kFractionBits;
using luminance::kGreenWeight;
using luminance::kHalfRow;
using luminance::kRedWeight;
using luminance::Span;

KYP_ALWAYS_INLINE uint16_t ClampSample(int32_t value) { return static_cast<uint16_t>(std::clamp(value, 0, 1023)); }

// One output pixel from its luminance and colour differences: red and blue
// are difference plus luminance, green is solved from
// Y = (435 R + 1464 G + 147 B) / 2048.
KYP_ALWAYS_INLINE void OutputPixel(int32_t luma, int32_t redDifference, int32_t blueDifference, uint16_t& red,
                                   uint16_t& green, uint16_t& blue) {
    const int32_t r = redDifference + luma;
    const int32_t b = blueDifference + luma;
    const int32_t g = (2048 * luma - kRedWeight * r - kBlueWeight * b) / kGreenWeight;
    red = ClampSample(r >> kFractionBits);
    green = ClampSample(g >> kFractionBits);
    blue = ClampSample(b >> kFractionBits);
}

// The pixels of local columns 4 .. 4 + count - 1 from the channel rows of
// the two halves (local column x at half x & 1, index x / 2) into RGB
// pixels: first each channel in column order, then the three interleaved.
struct InterleavePlain {
    KYP_ALWAYS_INLINE static uint32_t Leading(const uint16_t*, const uint16_t*, const uint16_t*, uint32_t,
                                              uint16_t*) {
        return 0;
    }
};

#if KYP_HAVE_TARGETS
// 32 pixels at a time with two two-source word permutes per output vector.
struct InterleaveAvx512 {
    KYP_TARGET_AVX512 static uint32_t Leading(const uint16_t* r, const uint16_t* g, const uint16_t* b,
                                              uint32_t count, uint16_t* pixels) {
        // Output word i of a block is channel i % 3 of pixel i / 3. The first
        // permute takes red (indices 0-31) and green (32-63); the second puts
        // blue (32-63) into the remaining places.
        alignas(64) static constexpr uint16_t kRedGreen[3][32] = {
            {0,  32, 0,  1,  33, 0,  2,  34, 0,  3,  35, 0,  4,  36, 0,  5,
             37, 0,  6,  38, 0,  7,  39, 0,  8,  40, 0,  9,  41, 0,  10, 42},
            {0,  11, 43, 0,  12, 44, 0,  13, 45, 0,  14, 46, 0,  15, 47, 0,
             16, 48, 0,  17, 49, 0,  18, 50, 0,  19, 51, 0,  20, 52, 0,  21},
            {53, 0,  22, 54, 0,  23, 55, 0,  24, 56, 0,  25, 57, 0,  26, 58,
             0,  27, 59, 0,  28, 60, 0,  29, 61, 0,  30, 62, 0,  31, 63, 0}};
        alignas(64) static constexpr uint16_t kBlue[3][32] = {
            {0,  1,  32, 3,  4,  33, 6,  7,  34, 9,  10, 35, 12, 13, 36, 15,
             16, 37, 18, 19, 38, 21, 22, 39, 24, 25, 40, 27, 28, 41, 30, 31},
            {42, 1,  2,  43, 4,  5,  44, 7,  8,  45, 10, 11, 46, 13, 14, 47,
             16, 17, 48, 19, 20, 49, 22, 23, 50, 25, 26, 51, 28, 29, 52, 31},
            {0,  53, 2,  3,  54, 5,  6,  55, 8,  9,  56, 11, 12, 57, 14, 15,
             58, 17, 18, 59, 20, 21, 60, 23, 24, 61, 26, 27, 62, 29, 30, 63}};
        // A row that does not divide into blocks ends with the block of its
        // last 32 pixels, rewriting a few pixels with the same values.
        if (count < 32) return 0;
        for (uint32_t x = 0;; x = std::min(x + 32, count - 32)) {
            const __m512i red = _mm512_loadu_si512(r + x);
            const __m512i green = _mm512_loadu_si512(g + x);
            const __m512i blue = _mm512_loadu_si512(b + x);
            for (int part = 0; part < 3; ++part) {
                const __m512i redGreen =
                    _mm512_permutex2var_epi16(red, _mm512_load_si512(kRedGreen[part]), green);
                const __m512i all = _mm512_permutex2var_epi16(redGreen, _mm512_load_si512(kBlue[part]), blue);
                _mm512_storeu_si512(pixels + 3 * x + 32 * part, all);
            }
            if (x + 32 >= count) return count;
        }
    }
};
#endif

template <class Interleave>
KYP_ALWAYS_INLINE void InterleavePixels(const uint16_t (&channelRows)[2][3][kHalfRow], uint32_t count,
                                        uint16_t* __restrict pixels) {
    uint16_t ordered[3][luminance::kLumaTileSize];
    const uint32_t pairs = count / 2;
    for (uint32_t ch = 0; ch < 3; ++ch) {
        const uint16_t* __restrict even = channelRows[0][ch] + 2;
        const uint16_t* __restrict odd = channelRows[1][ch] + 2;
        uint16_t* __restrict out = ordered[ch];
        for (uint32_t k = 0; k < pairs; ++k) {
            out[2 * k] = even[k];
            out[2 * k + 1] = odd[k];
        }
        if ((count & 1) != 0) out[count - 1] = even[pairs];
    }
    const uint16_t* __restrict r = ordered[0];
    const uint16_t* __restrict g = ordered[1];
    const uint16_t* __restrict b = ordered[2];
    for (uint32_t x = Interleave::Leading(r, g, b, count, pixels); x < count; ++x) {
        pixels[3 * x] = r[x];
        pixels[3 * x + 1] = g[x];
        pixels[3 * x + 2] = b[x];
    }
}

// Step 4 on a colour half row: the measured colour difference, sample minus
// luminance, into the site's own plane.
KYP_ALWAYS_INLINE void MeasuredDifferences(int32_t* __restrict own, const int32_t* __restrict samples,
                                           const int32_t* __restrict luma, HalfSpan span) {
    KYP_FOR_SPAN(span, j, own[j] = samples[j] - luma[j];);
}

// Step 6 on a colour half row: both differences are the site's own.
KYP_ALWAYS_INLINE void OutputColourSites(uint16_t (&out)[3][kHalfRow], const int32_t* __restrict luma,
                                         const int32_t* __restrict red, const int32_t* __restrict blue,
                                         HalfSpan span) {
    uint16_t* __restrict outR = out[0];
    uint16_t* __restrict outG = out[1];
    uint16_t* __restrict outB = out[2];
    KYP_FOR_SPAN(span, j, OutputPixel(luma[j], red[j], blue[j], outR[j], outG[j], outB[j]););
}

// Step 6 on a green half row: both differences from the four orthogonal
// neighbours (north, south, west / east at across[j - 1] / across[j]).
KYP_ALWAYS_INLINE void OutputGreenSites(uint16_t (&out)[3][kHalfRow], const int32_t* __restrict luma,
                                        const int32_t* __restrict northR, const int32_t* __restrict southR,
                                        const int32_t* __restrict acrossR, const int32_t* __restrict northB,
                                        const int32_t* __restrict southB, const int32_t* __restrict acrossB,
                                        HalfSpan span) {
    uint16_t* __restrict outR = out[0];
    uint16_t* __restrict outG = out[1];
    uint16_t* __restrict outB = out[2];
    KYP_FOR_SPAN(span, j,
                 OutputPixel(luma[j], RobustAverage4(northR[j], southR[j], acrossR[j - 1], acrossR[j]),
                             RobustAverage4(northB[j], southB[j], acrossB[j - 1], acrossB[j]), outR[j], outG[j],
                             outB[j]););
}

template <class Interleave>
KYP_ALWAYS_INLINE void GradientTile(int32_t* samples, int32_t* luma, int32_t* red, int32_t* blue, uint16_t* output,
                                    uint32_t outputRowLength, const RawMosaic& mosaic, uint32_t tileColumn,
                                    uint32_t tileRow, uint32_t tileColumns, uint32_t tileRows) {
    // Steps 1 and 2: samples, then red and blue at the colour sites.
    luminance::LoadSamples(samples, mosaic, tileColumn, tileRow, tileColumns, tileRows);
    luminance::InterpolateDiagonalColour(samples, red, blue, tileColumn, tileRow, tileColumns, tileRows);

    // Step 3: luminance from full estimates over rows and columns 2 to n-3.
    // Step 4: measured colour differences, red - luminance at red sites and
    // blue - luminance at blue sites. Step 3 of rows y-1 .. y+1 reads the
    // red and blue estimates at the colour sites of row y, so row y's
    // differences are taken once row y+1 has its luminance.
    auto differences = [&](uint32_t y) __attribute__((always_inline)) {
        const uint32_t c = ColourHalf(tileColumn, tileRow, y);
        MeasuredDifferences(HalfRow(((tileRow + y) & 1) == 0 ? red : blue, y, c), HalfRow(samples, y, c),
                            HalfRow(luma, y, c), Span(2, tileColumns - 2, c));
    };
    for (uint32_t y = 2; y + 2 < tileRows; ++y) {
        const uint32_t c = ColourHalf(tileColumn, tileRow, y);
        luminance::EstimateRow(samples, red, blue, y, c, tileColumns, HalfRow(luma, y, c), HalfRow(luma, y, c ^ 1),
                               [](int32_t r, int32_t g, int32_t b)
                                   __attribute__((always_inline)) { return luminance::Luminance(r, g, b); });
        if (y > 2) differences(y - 1);
    }
    if (tileRows >= 5) differences(tileRows - 3);

    // Step 5: the opposite difference at each colour site (rows and columns 3
    // to n-4), from its four diagonal neighbours: sites of the other colour,
    // whose differences step 4 measured. Writes one colour's sites of a plane
    // and reads only the other colour's.
    for (uint32_t y = 3; y + 3 < tileRows; ++y) {
        const uint32_t c = ColourHalf(tileColumn, tileRow, y);
        int32_t* const opposite = ((tileRow + y) & 1) == 0 ? blue : red;
        luminance::DiagonalAverages(HalfRow(opposite, y, c), HalfRow(opposite, y - 1, c ^ 1) + c,
                                    HalfRow(opposite, y + 1, c ^ 1) + c, Span(3, tileColumns - 3, c));
    }

    // Step 6: output over rows and columns 4 to n-5. Greens take both
    // differences from their orthogonal neighbours. Each half row goes to
    // channel rows first, then the two halves are interleaved into pixels.
    uint16_t channelRows[2][3][kHalfRow];
    for (uint32_t y = 4; y + 4 < tileRows; ++y) {
        const uint32_t c = ColourHalf(tileColumn, tileRow, y);
        const uint32_t h = c ^ 1;
        OutputColourSites(channelRows[c], HalfRow(luma, y, c), HalfRow(red, y, c), HalfRow(blue, y, c),
                          Span(4, tileColumns - 4, c));
        OutputGreenSites(channelRows[h], HalfRow(luma, y, h), HalfRow(red, y - 1, h), HalfRow(red, y + 1, h),
                         HalfRow(red, y, c) + h, HalfRow(blue, y - 1, h), HalfRow(blue, y + 1, h),
                         HalfRow(blue, y, c) + h, Span(4, tileColumns - 4, h));
        InterleavePixels<Interleave>(channelRows, tileColumns - 8,
                         output + static_cast<size_t>(tileRow + y - 4) * outputRowLength +
                             static_cast<size_t>(tileColumn) * 3);
    }
}

#define KYP_GRADIENT_PARAMS                                                                                 \
    int32_t *samples, int32_t *luma, int32_t *red, int32_t *blue, uint16_t *output, uint32_t outputRowLength, \
        const RawMosaic &mosaic, uint32_t tileColumn, uint32_t tileRow, uint32_t tileColumns, uint32_t tileRows
#define KYP_GRADIENT_ARGUMENTS \
    samples, luma, red, blue, output, outputRowLength, mosaic, tileColumn, tileRow, tileColumns, tileRows

void GradientTileBaseline(KYP_GRADIENT_PARAMS) { GradientTile<InterleavePlain>(KYP_GRADIENT_ARGUMENTS); }
#if KYP_HAVE_TARGETS
KYP_TARGET_AVX2 void GradientTileAvx2(KYP_GRADIENT_PARAMS) { GradientTile<InterleavePlain>(KYP_GRADIENT_ARGUMENTS); }
KYP_TARGET_AVX512 void GradientTileAvx512(KYP_GRADIENT_PARAMS) {
    GradientTile<InterleaveAvx512>(KYP_GRADIENT_ARGUMENTS);
}
#endif

auto PickGradientTile(KernelTarget target) {
#if KYP_HAVE_TARGETS
    if (target == KernelTarget::avx512) return &GradientTileAvx512;
    if (target == KernelTarget::avx2) return &GradientTileAvx2;
#endif
    (void)target;
    return &GradientTileBaseline;
}

}  // namespace

DemosaicLuminanceGradient::DemosaicLuminanceGradient(uint16_t number)
    : DemosaicMethod(number), kernel_(PickGradientTile(KernelTargetInUse())) {}

bool DemosaicLuminanceGradient::ProcessTile(uint16_t* output, uint32_t outputRowLength,
                                            const RawMosaic& mosaic, uint32_t tileColumn,
                                            uint32_t tileRow, uint32_t tileColumns, uint32_t tileRows) {
    if (output == nullptr || !TileFits(mosaic, tileColumn, tileRow, tileColumns, tileRows)) {
        return false;
    }
    kernel_(samples_.data(), luma_.data(), red_.data(), blue_.data(), output, outputRowLength, mosaic,
           tileColumn, tileRow, tileColumns, tileRows);
    return true;
}

}  // namespace kyp
