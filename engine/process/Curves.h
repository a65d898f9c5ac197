#pragma once
#include <cstdint>

#include "engine/process/ProcessedImage.h"

namespace kyp {

// Applies a curve set (master, red, green, blue; each 1024 entries, null =
// identity; curves itself may be null). On an RGB image the channel tables map
// their channels first, then the master table maps all three; a grey image
// uses only the master table. No progress, always completes.
void ApplyCurves(ProcessedImage& image, const uint16_t* const curves[4]);

}  // namespace kyp
