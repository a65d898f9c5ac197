#pragma once

#include "engine/process/ProcessedImage.h"

namespace kyp {

// Negative: every sample of every channel becomes 1023 - sample.
void InvertImage(ProcessedImage& image);

}  // namespace kyp
