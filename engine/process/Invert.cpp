#include "engine/process/Invert.h"

#include "engine/process/ToneTable.h"

namespace kyp {

void InvertImage(ProcessedImage& image) {
    if (image.samples == nullptr) return;
    const size_t count = ImageSampleCount(image.channels, image.width, image.height);
    uint16_t* p = image.samples;
    for (size_t i = 0; i < count; ++i) p[i] = static_cast<uint16_t>(kToneTableMax - ClampTableIndex(p[i]));
}

}  // namespace kyp
