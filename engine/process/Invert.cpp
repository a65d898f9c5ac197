#include "engine/process/Invert.h"

#include "platform/Parallel.h"

#include "engine/process/ToneTable.h"

namespace kyp {

void InvertImage(ProcessedImage& image) {
    if (image.samples == nullptr) return;
    const size_t count = ImageSampleCount(image.channels, image.width, image.height);
    uint16_t* const samples = image.samples;
    ParallelRanges(count, 65536, [&](size_t first, size_t end, unsigned) {
        uint16_t* __restrict p = samples;
        for (size_t i = first; i < end; ++i) p[i] = static_cast<uint16_t>(kToneTableMax - ClampTableIndex(p[i]));
    });
}

}  // namespace kyp
