#pragma once
#include <cstdint>

#include "engine/output/Bitmap.h"
#include "engine/settings/ImportSettings.h"
#include "gui/view/Sampler.h"

namespace kyp {

class ProcessingSession;

// The sharpening preview's square and how far its centre stays inside the image.
inline constexpr int32_t kLoupeSide = 140;
inline constexpr int32_t kLoupeHalf = 70;

// The unsharp-mask values of the preview.
struct LoupeSharpening {
    bool on = true;
    int32_t amount = 100;
    float radius = 1.1f;
    int32_t threshold = 0;
};

// A centre kept at least kLoupeHalf pixels inside a width × height image (the
// middle of a smaller side).
[[nodiscard]] PixelPoint KeepLoupeInside(PixelPoint centre, int32_t width, int32_t height);

// The top-left corner, in the demosaiced full image, of the square around a
// processed-image centre: the centre mapped back with MapToFullImage, less
// kLoupeHalf on each axis, kept inside the full image.
[[nodiscard]] PixelPoint LoupeCorner(const ProcessingSession& document, PixelPoint centre);

// Builds the preview: own is derived from the document session over the
// square, given the document's settings with the unsharp mask on (with the
// given values) or off, processed at full size and rendered to 8 bits (grey
// or colour as the full rendering is). False when the document has no
// processed image or a step fails; the picture is then released.
[[nodiscard]] bool BuildLoupe(ProcessingSession& own, const ProcessingSession& document, PixelPoint centre,
                              const LoupeSharpening& sharpening, Bitmap& picture);

}  // namespace kyp
