#pragma once
#include <cstdint>

namespace kyp {

// The image the pipeline steps work on: 16-bit words holding 0..1023, rows
// from the top, channels interleaved per pixel. The sample block belongs to
// whoever shaped the record (a ProcessingSession through its memory functions).
struct ProcessedImage {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t channels = 0;         // 3 (RGB) or 1 (grey)
    uint16_t bitsPerSample = 0;    // always 16
    int32_t byteSize = 0;          // channels * height * width * 2
    uint16_t* samples = nullptr;

    [[nodiscard]] uint32_t sampleCount() const {
        return static_cast<uint32_t>(channels) * width * height;
    }
};

}  // namespace kyp
