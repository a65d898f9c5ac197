#pragma once
#include <cstdint>

#include "gui/view/SampleRecord.h"

namespace kyp {

class Bitmap;
class ProcessingSession;
struct ProcessedImage;

// A pixel position in image coordinates.
struct PixelPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const PixelPoint&) const = default;
};

// The sample sizes the sampler knows; any other stored value samples 1 pixel.
[[nodiscard]] int32_t NormalSampleSize(uint32_t stored);

// Maps a pixel of the processed image (processedWidth × processedHeight) back
// to the demosaiced full image (fullWidth × fullHeight), undoing what the
// pipeline did to it: the flips (applied last) first, then the rotation
// (options' rotation field: quarter turns clockwise). The result is limited
// to the full image.
[[nodiscard]] PixelPoint MapToFullImage(int32_t x, int32_t y, uint32_t options, int32_t processedWidth,
                                        int32_t processedHeight, int32_t fullWidth, int32_t fullHeight);

// The sampler's record for the processed-image pixel (x, y): the interpolated
// values (the session's demosaiced full image), the processed values (its
// full output) and the displayed values (the 8-bit rendering of that output),
// each one pixel or the truncated mean over the size × size square around it
// (moved inside the image), and their luminances. An empty record (x and y
// -1, values 0) when x or y is negative, while busy, when either image is
// missing, or when the pixel lies beyond the processed image.
[[nodiscard]] SampleRecord TakeSample(const ProcessingSession& session, const Bitmap& rendering, int32_t x, int32_t y,
                                      int32_t sampleSize, bool busy);

// The luminances: interpolated values always with the first weights, the
// processed and displayed values with the second when the gamma option is on.
[[nodiscard]] int32_t LinearLuminance(int32_t red, int32_t green, int32_t blue);
[[nodiscard]] int32_t GammaLuminance(int32_t red, int32_t green, int32_t blue);

}  // namespace kyp
