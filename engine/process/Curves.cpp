#include "engine/process/Curves.h"

#include "engine/process/TableApply.h"
#include "engine/process/ToneTable.h"

namespace kyp {

void ApplyCurves(ProcessedImage& image, const uint16_t* const curves[4]) {
    if (curves == nullptr || image.samples == nullptr) return;
    const size_t samples = ImageSampleCount(image.channels, image.width, image.height);
    if (image.channels == 3) {
        ApplyPresentChannelTables(image.samples, samples / 3, curves[1], curves[2], curves[3]);
    }
    ApplyTableToSamples(image.samples, samples, curves[0]);
}

}  // namespace kyp
