#pragma once
// Helpers shared by the JPEG tests: images to encode, a marker-segment walker
// and a message sink that records what the library said.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/output/JpegGlue.h"
#include "engine/process/ProcessedImage.h"

namespace kyp::jpegtest {

// An image that owns its samples.
struct OwnedImage {
    std::vector<uint16_t> samples;
    ProcessedImage image;
};

// A smooth picture (JPEG keeps it close): red rises to the right, green
// downwards, blue is their mix. One channel gives the red ramp alone.
inline OwnedImage gradient(uint32_t width, uint32_t height, uint16_t channels) {
    OwnedImage o;
    o.samples.resize(size_t{width} * height * channels);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            uint16_t* p = &o.samples[(size_t{y} * width + x) * channels];
            const auto r = static_cast<uint16_t>(width > 1 ? x * 1023 / (width - 1) : 0);
            const auto g = static_cast<uint16_t>(height > 1 ? y * 1023 / (height - 1) : 0);
            p[0] = r;
            if (channels == 3) {
                p[1] = g;
                p[2] = static_cast<uint16_t>((r + g) / 2);
            }
        }
    o.image.width = width;
    o.image.height = height;
    o.image.channels = channels;
    o.image.bitsPerSample = 16;
    o.image.byteSize = static_cast<int32_t>(o.samples.size() * 2);
    o.image.samples = o.samples.data();
    return o;
}

struct Segment {
    uint8_t marker = 0;
    std::vector<uint8_t> data;  // without marker and length
};

// The marker segments from SOI up to and including SOS (SOI itself has no data).
inline std::vector<Segment> segments(const std::vector<uint8_t>& jpeg) {
    std::vector<Segment> out;
    if (jpeg.size() < 2 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return out;
    out.push_back({0xD8, {}});
    size_t pos = 2;
    while (pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF) {
        const uint8_t marker = jpeg[pos + 1];
        const size_t length = size_t{jpeg[pos + 2]} << 8 | jpeg[pos + 3];
        if (length < 2 || pos + 2 + length > jpeg.size()) break;
        out.push_back({marker, std::vector<uint8_t>(jpeg.begin() + static_cast<long>(pos + 4),
                                                    jpeg.begin() + static_cast<long>(pos + 2 + length))});
        if (marker == 0xDA) break;
        pos += 2 + length;
    }
    return out;
}

// Records library messages while alive; restores the default sink after.
class MessageCapture {
public:
    MessageCapture() { previous_ = setJpegMessageSink(&record); count() = 0; last() = ""; }
    ~MessageCapture() { setJpegMessageSink(previous_); }
    static std::atomic<int>& count() { static std::atomic<int> n{0}; return n; }
    static std::string& last() { static std::string s; return s; }
    static std::string& caption() { static std::string s; return s; }

private:
    static void record(const char* cap, const char* message) {
        ++count();
        last() = message;
        caption() = cap;
    }
    JpegMessageSink previous_ = nullptr;
};

inline uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t le32(const uint8_t* p) { return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24; }

}  // namespace kyp::jpegtest
