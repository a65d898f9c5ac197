// The embedded-preview decoder on arbitrary bytes: no crash, no read outside
// the input, memory and time bounded by the decoder's caps.
#include <cstddef>
#include <cstdint>

#include "engine/output/JpegGlue.h"
#include "engine/output/JpegPreview.h"

namespace {
void quiet(const char*, const char*) {}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool sinkSet = [] { kyp::setJpegMessageSink(&quiet); return true; }();
    (void)sinkSet;
    kyp::JpegPreviewImage image;
    if (kyp::decodeEmbeddedPreview(image, data, size)) {
        // Touch every pixel so that a short buffer would show.
        volatile uint8_t sum = 0;
        for (uint8_t b : image.pixels) sum = static_cast<uint8_t>(sum + b);
    }
    return 0;
}
