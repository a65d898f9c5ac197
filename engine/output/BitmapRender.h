#pragma once
#include <cstdint>

#include "engine/core/ProgressCallback.h"
#include "engine/output/Bitmap.h"
#include "engine/process/ProcessedImage.h"

namespace kyp {

// The one conversion of a 0..1023 sample to 8 bits used by every 8-bit output:
// (sample + 2) / 4, at most 255. Written as (min(sample, 1021) + 2) / 4, which
// is the same for every 16-bit value and never leaves 16 bits, so loops over
// it vectorise on 16-bit lanes.
[[nodiscard]] inline uint8_t SampleTo8Bit(uint16_t sample) {
    const uint16_t capped = sample < 1021 ? sample : uint16_t{1021};
    return static_cast<uint8_t>((capped + 2u) >> 2);
}

// Progress text of both renderers.
inline constexpr const char* kRenderProgressText = "Generating pixels...";
// Pictures at least this tall report progress (once per 10 rows).
inline constexpr int32_t kRenderGrayProgressRows = 501;
inline constexpr int32_t kRenderColourProgressRows = 401;

// Renders a one-channel image (width × height samples, rows from the top) into
// an 8-bit bitmap. False when the sizes are not positive, the bitmap cannot be
// created, or progress cancels (the bitmap is then left without pixels).
[[nodiscard]] bool renderGray(Bitmap& bitmap, const uint16_t* samples, int32_t width, int32_t height,
                              ProgressCallback* progress);

// Renders a three-channel image (red, green, blue per pixel) into a 24-bit
// bitmap, or with grayFromGreen into an 8-bit bitmap of its green samples.
[[nodiscard]] bool renderColour(Bitmap& bitmap, const uint16_t* samples, int32_t width, int32_t height,
                                bool grayFromGreen, ProgressCallback* progress);

// Chooses the renderer by the image's channel count (1: renderGray, 3:
// renderColour); any other count, or sizes beyond 32-bit signed, fail.
[[nodiscard]] bool renderImage(Bitmap& bitmap, const ProcessedImage& image, bool grayFromGreen,
                               ProgressCallback* progress);

}  // namespace kyp
