#pragma once

#include "engine/process/ProcessedImage.h"

namespace kyp {

// Mirrors the image in place, moving whole pixels: horizontal reverses every row,
// vertical reverses the order of the rows, both together turn it by 180 degrees.
// False when both flags are clear (nothing to do), else true.
[[nodiscard]] bool FlipImage(ProcessedImage& image, bool horizontal, bool vertical);

// Writes `source` turned by q quarter turns clockwise into `destination`, whose
// sample block the caller has made at least source.byteSize bytes and whose
// byteSize says so (the session's PrepareImage). The destination takes the source's
// header, with width and height swapped for odd q. q may be -4..4: a negative q
// turns counter-clockwise, so RotateImage by q then by -q gives back the image.
// False, with the destination untouched, when |q| > 4, when the source's byteSize
// exceeds the destination's or does not cover the source's pixels, or when an odd
// q would have to turn an image onto its own block.
[[nodiscard]] bool RotateImage(ProcessedImage& destination, const ProcessedImage& source, int q);

}  // namespace kyp
