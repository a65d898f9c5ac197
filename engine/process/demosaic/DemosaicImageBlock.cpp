#include "engine/process/demosaic/DemosaicImageBlock.h"

#include <cstdint>
#include <cstdlib>

#include "platform/LargeBlock.h"

namespace kyp {
namespace {

// A lone allocate or release function cannot pair with the heap's, so only a
// complete pair replaces the heap pair.
struct MemoryPair {
    AllocateFunction allocate;
    ReleaseFunction release;
};

MemoryPair Resolve(AllocateFunction allocate, ReleaseFunction release) {
    if (allocate != nullptr && release != nullptr) return {allocate, release};
    return {AllocateLargeBlock, ReleaseLargeBlock};
}

}  // namespace

bool ShapeDemosaicImage(ProcessedImage& image, uint32_t width, uint32_t height, uint16_t channels,
                        AllocateFunction allocate, ReleaseFunction release) {
    const uint64_t needed = uint64_t{2} * channels * width * height;
    if (needed == 0 || needed > static_cast<uint64_t>(INT32_MAX)) return false;
    const MemoryPair memory = Resolve(allocate, release);

    if (image.samples == nullptr || image.byteSize < 0 || static_cast<uint64_t>(image.byteSize) < needed) {
        if (image.samples != nullptr) memory.release(image.samples);
        image = ProcessedImage{};
        image.samples = static_cast<uint16_t*>(memory.allocate(static_cast<size_t>(needed)));
        if (image.samples == nullptr) return false;
    }
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.bitsPerSample = 16;
    image.byteSize = static_cast<int32_t>(needed);
    return true;
}

void ReleaseDemosaicImage(ProcessedImage& image, AllocateFunction allocate, ReleaseFunction release) {
    if (image.samples != nullptr) Resolve(allocate, release).release(image.samples);
    image = ProcessedImage{};
}

}  // namespace kyp
