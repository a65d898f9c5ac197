#include "engine/process/demosaic/DemosaicReduced.h"

#include <cstddef>

#include "engine/process/BlockAverage.h"
#include "engine/process/demosaic/DemosaicImageBlock.h"

namespace kyp {

bool DemosaicReduced(const RawMosaic& mosaic, ProcessedImage& image, bool grey, int32_t factor,
                     AllocateFunction allocate, ReleaseFunction release) {
    if (factor < 2 || mosaic.samples == nullptr) return false;
    const uint32_t size = static_cast<uint32_t>(factor);
    const uint32_t width = mosaic.width / size;
    const uint32_t height = mosaic.height / size;
    const uint16_t channels = grey ? 1 : 3;
    // Only whole blocks count: the last width % factor columns and
    // height % factor rows are left out.
    if (!ShapeDemosaicImage(image, width, height, channels, allocate, release)) return false;

    uint16_t* sample = image.samples;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint16_t red = 0;
            uint16_t green = 0;
            uint16_t blue = 0;
            BlockAverage(mosaic, x * size, y * size, size, size, &red, &green, &blue);
            if (grey) {
                // Rec. 709 weights x 65536 (they sum to 65536).
                *sample++ = static_cast<uint16_t>((13933u * red + 46871u * green + 4732u * blue) >> 16);
            } else {
                *sample++ = red;
                *sample++ = green;
                *sample++ = blue;
            }
        }
    }
    return true;
}

}  // namespace kyp
