#pragma once
// Helpers shared by the output writers' tests: images to write, little-endian
// reads, a reader of written TIFF directories that shares no code with the
// writer, a camera-like source file, JPEG marker segments, a recorder of
// library messages and of progress calls, and a PNM reader for peer tools.
#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/core/ProgressCallback.h"
#include "engine/output/JpegGlue.h"
#include "engine/process/ProcessedImage.h"
#include "platform/TestFolder.h"

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

struct SourceEntry {
    uint16_t tag;
    uint16_t type;
    std::vector<uint32_t> numbers;  // SHORT, LONG, (S)RATIONAL as numerator/denominator pairs
    std::string bytes;              // BYTE, ASCII (zero included), UNDEFINED
};

// Big-endian TIFF bytes (as ORF files are): the main directory at 8, then
// (when exif is not empty) the Exif directory, pointed to by an ExifIFD entry
// added to main, then the out-of-line values at even offsets.
inline std::vector<uint8_t> BuildBigEndianTiff(std::vector<SourceEntry> main, const std::vector<SourceEntry>& exif) {
    std::vector<uint8_t> out = {'M', 'M', 0, 42, 0, 0, 0, 8};
    const auto put = [&](size_t at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * (bytes - 1 - i)));
    };
    if (!exif.empty()) main.push_back({34665, 4, {0}, {}});
    const size_t exifAt = 8 + 2 + 12 * main.size() + 4;
    out.resize(exifAt + (exif.empty() ? 0 : 2 + 12 * exif.size() + 4), 0);
    const auto directory = [&](size_t at, const std::vector<SourceEntry>& entries) {
        put(at, static_cast<uint32_t>(entries.size()), 2);
        for (size_t k = 0; k < entries.size(); ++k) {
            const SourceEntry& e = entries[k];
            const size_t p = at + 2 + 12 * k;
            const bool byteType = e.type == 1 || e.type == 2 || e.type == 6 || e.type == 7;
            const int width = byteType ? 1 : (e.type == 3 || e.type == 8) ? 2 : 4;  // bytes a number takes
            std::vector<uint8_t> values;
            if (byteType) values.assign(e.bytes.begin(), e.bytes.end());
            for (uint32_t n : e.numbers)
                for (int b = width - 1; b >= 0 && !byteType; --b) values.push_back(static_cast<uint8_t>(n >> (8 * b)));
            const bool rational = e.type == 5 || e.type == 10;
            put(p, e.tag, 2);
            put(p + 2, e.type, 2);
            put(p + 4, static_cast<uint32_t>(byteType ? e.bytes.size() : e.numbers.size() / (rational ? 2 : 1)), 4);
            if (e.tag == 34665) {
                put(p + 8, static_cast<uint32_t>(exifAt), 4);
            } else if (values.size() <= 4) {
                std::copy(values.begin(), values.end(), out.begin() + static_cast<std::ptrdiff_t>(p + 8));
            } else {
                out.resize(out.size() + (out.size() & 1));
                put(p + 8, static_cast<uint32_t>(out.size()), 4);
                out.insert(out.end(), values.begin(), values.end());
            }
        }
    };
    directory(8, main);
    if (!exif.empty()) directory(exifAt, exif);
    return out;
}

// The camera file the TIFF writer's tests start from. Its Exif directory
// lacks DateTimeDigitized, MaxApertureValue, Flash, FocalLength and
// FlashpixVersion, and holds a maker note, which is never carried.
inline std::vector<uint8_t> CameraSourceBytes() {
    using namespace std::string_literals;
    return BuildBigEndianTiff({{256, 4, {2560}, {}},
                               {270, 2, {}, "OLYMPUS DIGITAL CAMERA\0"s},
                               {271, 2, {}, "OLYMPUS OPTICAL CO.,LTD\0"s},
                               {272, 2, {}, "C5050Z\0"s},
                               {305, 2, {}, "v1.0\0"s}},
                              {{33434, 5, {1, 125}, {}},
                               {33437, 5, {28, 10}, {}},
                               {34850, 3, {2}, {}},
                               {34855, 3, {100}, {}},
                               {36864, 7, {}, "0220"},
                               {36867, 2, {}, "2003:05:17 10:20:30\0"s},
                               {37380, 10, {0xFFFFFFFDu, 10}, {}},
                               {37383, 3, {5}, {}},
                               {37500, 7, {}, "OLYMPUS\0\1\0maker"s},
                               {40961, 3, {1}, {}},
                               {41728, 7, {}, "\3"s}});
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

// ---- progress and peer tools ----

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

// A binary PNM as netpbm writes it (P5 grey or P6 colour; two bytes per sample,
// big-endian, above maxval 255).
struct Pnm {
    int width = 0, height = 0, channels = 0, maxval = 0;
    std::vector<uint16_t> samples;
};
inline bool ParsePnm(const std::string& data, Pnm& pnm) {
    size_t pos = 0;
    const auto token = [&] {
        while (pos < data.size() && (std::isspace(static_cast<unsigned char>(data[pos])) || data[pos] == '#'))
            pos = data[pos] == '#' ? std::min(data.find('\n', pos), data.size()) : pos + 1;
        const size_t start = pos;
        while (pos < data.size() && !std::isspace(static_cast<unsigned char>(data[pos]))) ++pos;
        return data.substr(start, pos - start);
    };
    const std::string magic = token();
    pnm.channels = magic == "P5" ? 1 : magic == "P6" ? 3 : 0;
    pnm.width = std::atoi(token().c_str());
    pnm.height = std::atoi(token().c_str());
    pnm.maxval = std::atoi(token().c_str());
    ++pos;  // the single white-space byte after maxval
    const size_t count = size_t(std::max(pnm.width, 0)) * size_t(std::max(pnm.height, 0)) * size_t(pnm.channels);
    const size_t bytes = pnm.maxval > 255 ? 2 : 1;
    if (pnm.channels == 0 || count == 0 || pnm.maxval <= 0 || pnm.maxval > 65535 || data.size() < pos + count * bytes)
        return false;
    pnm.samples.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const auto* p = reinterpret_cast<const uint8_t*>(data.data() + pos + i * bytes);
        pnm.samples[i] = bytes == 2 ? static_cast<uint16_t>(p[0] << 8 | p[1]) : p[0];
    }
    return true;
}

}  // namespace kyp::test
