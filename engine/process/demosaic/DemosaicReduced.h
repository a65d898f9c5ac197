#pragma once
#include <cstdint>

#include "engine/core/MemoryFunctions.h"
#include "engine/process/ProcessedImage.h"
#include "engine/raw/RawMosaic.h"

namespace kyp {

// Reduced-size image for previews: each output pixel is the per-colour mean of
// a factor x factor block of sites, (width / factor) x (height / factor)
// pixels; with `grey` one Rec. 709 luminance sample per pixel. The sample
// block is handled as in DemosaicTiled. No progress, no cancellation.
// False when factor < 2, the mosaic has no samples or is smaller than one
// block (image unchanged), or allocation fails (image left empty).
[[nodiscard]] bool DemosaicReduced(const RawMosaic& mosaic, ProcessedImage& image, bool grey,
                                   int32_t factor, AllocateFunction allocate, ReleaseFunction release);

}  // namespace kyp
