#pragma once
// Helpers shared by the output writers' tests: images to write, little-endian
// reads, a reader of written TIFF directories that shares no code with the
// writer, a camera source file, JPEG marker segments, and a recorder of
// library messages and of progress calls.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/ProgressCallback.h"
#include "engine/output/JpegGlue.h"
#include "engine/process/ProcessedImage.h"
#include "engine/raw/TiffDocument.h"
#include "platform/TestFolder.h"
#include "tools/sample-orf/SampleOrf.h"

namespace kyp::test {

inline uint32_t Le16(const std::vector<uint8_t>& b, size_t at) {
    return at + 2 <= b.size() ? uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 : 0xFFFFFFFFu;
}
inline uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return at + 4 <= b.size() ? Le16(b, at) | Le16(b, at + 2) << 16 : 0xFFFFFFFFu;
}

// An image that owns its samples (move it, never copy it).
struct OwnedImage {
    std::vector<uint16_t> samples;
    ProcessedImage image;
};

// width × height pixels of channels samples; sample i is fill(i).
template <class F>
OwnedImage MakeImage(uint32_t width, uint32_t height, uint16_t channels, F fill) {
    OwnedImage o;
    o.samples.resize(size_t{width} * height * channels);
    for (size_t i = 0; i < o.samples.size(); ++i) o.samples[i] = static_cast<uint16_t>(fill(i));
    o.image.width = width;
    o.image.height = height;
    o.image.channels = channels;
    o.image.bitsPerSample = 16;
    o.image.byteSize = static_cast<int32_t>(o.samples.size() * 2);
    o.image.samples = o.samples.data();
    return o;
}

// A smooth picture (JPEG keeps it close): red rises to the right, green
// downwards, blue is their mix. One channel gives the red ramp alone.
inline OwnedImage Gradient(uint32_t width, uint32_t height, uint16_t channels) {
    return MakeImage(width, height, channels, [=](size_t i) {
        const size_t pixel = i / channels;
        const uint32_t r = width > 1 ? pixel % width * 1023 / (width - 1) : 0;
        const uint32_t g = height > 1 ? pixel / width * 1023 / (height - 1) : 0;
        const size_t c = i % channels;
        return c == 0 ? r : c == 1 ? g : (r + g) / 2;
    });
}

// ---- TIFF ----

// A small generated ORF file (64 × 48, a 16-pixel preview), opened and parsed.
inline bool CameraSource(std::vector<uint8_t>& bytes, TiffDocument& document) {
    sample::SampleOrfOptions o;
    o.width = 64;
    o.height = 48;
    o.previewWidth = 16;
    o.minimumFileSize = 0;
    return sample::BuildSampleOrf(o, bytes) && document.openMemory(ByteView(bytes.data(), bytes.size())) &&
           document.parse();
}

// One 12-byte record of a little-endian directory.
struct WrittenEntry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    uint32_t value = 0;
    bool operator==(const WrittenEntry&) const = default;
};

// The records of the directory at offset; empty when it does not fit.
inline std::vector<WrittenEntry> ReadDirectory(const std::vector<uint8_t>& f, uint32_t offset) {
    std::vector<WrittenEntry> out;
    const uint32_t count = Le16(f, offset);
    if (count == 0xFFFFFFFFu || offset + 2 + 12 * size_t{count} + 4 > f.size()) return out;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t p = offset + 2 + 12 * size_t{i};
        out.push_back({static_cast<uint16_t>(Le16(f, p)), static_cast<uint16_t>(Le16(f, p + 2)), Le32(f, p + 4),
                       Le32(f, p + 8)});
    }
    return out;
}

// The entry points into entries, which must outlive it (no temporaries).
const WrittenEntry* FindWritten(std::vector<WrittenEntry>&& entries, uint16_t tag) = delete;
inline const WrittenEntry* FindWritten(const std::vector<WrittenEntry>& entries, uint16_t tag) {
    for (const WrittenEntry& e : entries)
        if (e.tag == tag) return &e;
    return nullptr;
}

// The value bytes of a written entry of one-byte values (inline or not).
inline std::string WrittenText(const std::vector<uint8_t>& f, const WrittenEntry& e) {
    if (e.count <= 4) return std::string(reinterpret_cast<const char*>(&e.value), e.count);
    return e.value + size_t{e.count} <= f.size() ? std::string(f.begin() + e.value, f.begin() + e.value + e.count) : "";
}

// ---- JPEG ----

struct Segment {
    uint8_t marker = 0;
    std::vector<uint8_t> data;  // without marker and length
};

// The marker segments from SOI up to and including SOS (SOI itself has no data).
inline std::vector<Segment> Segments(const std::vector<uint8_t>& jpeg) {
    std::vector<Segment> out;
    if (jpeg.size() < 2 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return out;
    out.push_back({0xD8, {}});
    for (size_t pos = 2; pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF;) {
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

// Records library messages while alive; restores the previous sink after.
class MessageCapture {
public:
    MessageCapture() : previous_(setJpegMessageSink(&Record)) {
        count = 0;
        last = caption = "";
    }
    ~MessageCapture() { setJpegMessageSink(previous_); }
    inline static std::atomic<int> count{0};
    inline static std::string last, caption;

private:
    static void Record(const char* cap, const char* message) {
        ++count;
        last = message;
        caption = cap;
    }
    JpegMessageSink previous_;
};

// ---- progress ----

class RecordingProgress : public ProgressCallback {
public:
    void SetText(const char* text) override { calls.push_back(std::string("text:") + text); }
    void Begin(int32_t count) override { calls.push_back("begin:" + std::to_string(count)); }
    bool Tick(int32_t count) override {
        ++ticks;
        tickTotal += count;
        return cancelAfter < 0 || ticks <= cancelAfter;
    }
    void End() override { calls.push_back("end"); }

    std::vector<std::string> calls;
    int ticks = 0;
    int tickTotal = 0;
    int cancelAfter = -1;  // the tick after this many returns false
};

}  // namespace kyp::test
