#pragma once

#include "engine/process/ProcessedImage.h"

namespace kyp {

// Turns an RGB image into a grey one: each pixel becomes its Rec. 709
// luminance (13933 R + 46871 G + 4732 B) >> 16, written from the start of the
// same block. The channel count becomes 1 and the byte size that of the grey
// samples; the block itself is not shrunk. Other images are left alone.
void ConvertToGrayscale(ProcessedImage& image);

}  // namespace kyp
