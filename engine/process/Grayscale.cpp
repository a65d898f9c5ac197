#include "engine/process/Grayscale.h"

#include <cstddef>

#include "engine/process/Histogram.h"
#include "engine/process/ToneTable.h"

namespace kyp {

void ConvertToGrayscale(ProcessedImage& image) {
    if (image.channels != 3 || image.samples == nullptr) return;
    const size_t pixels = static_cast<size_t>(image.width) * image.height;
    // Pixel i is read from 3i..3i+2 before sample i is written, and i <= 3i,
    // so the in-place pass never overwrites what it still has to read.
    const uint16_t* in = image.samples;
    uint16_t* out = image.samples;
    for (size_t i = 0; i < pixels; ++i, in += 3) {
        const uint32_t luminance =
            PixelLuminance(ClampTableIndex(in[0]), ClampTableIndex(in[1]), ClampTableIndex(in[2]));
        out[i] = static_cast<uint16_t>(luminance);
    }
    image.channels = 1;
    image.byteSize = static_cast<int32_t>(pixels * 2);
}

}  // namespace kyp
