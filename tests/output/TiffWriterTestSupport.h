#pragma once
// A small camera-like source file for the TIFF writer's tests, built by hand
// as a big-endian TIFF (as ORF files are), and a reader of the written file's
// directories that does not share code with the writer.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/process/ProcessedImage.h"
#include "engine/raw/TiffDocument.h"
#include "output/BitmapTestSupport.h"

namespace kyp::testing {

struct SourceEntry {
    uint16_t tag;
    uint16_t type;
    std::vector<uint32_t> numbers;  // SHORT, LONG, (S)RATIONAL as numerator/denominator pairs
    std::string bytes;              // BYTE, ASCII (zero included), UNDEFINED
};

// Big-endian TIFF bytes: the main directory at 8, then (when exif is not
// empty) the Exif directory, pointed to by an ExifIFD entry added to main.
inline std::vector<uint8_t> BuildBigEndianTiff(std::vector<SourceEntry> main, const std::vector<SourceEntry>& exif) {
    std::vector<uint8_t> out = {'M', 'M', 0, 42, 0, 0, 0, 8};
    auto put16 = [&](size_t at, uint32_t v) {
        out[at] = static_cast<uint8_t>(v >> 8);
        out[at + 1] = static_cast<uint8_t>(v);
    };
    auto put32 = [&](size_t at, uint32_t v) {
        put16(at, v >> 16);
        put16(at + 2, v & 0xFFFF);
    };
    if (!exif.empty()) main.push_back({34665, 4, {0}, {}});
    const size_t mainAt = 8;
    const size_t exifAt = mainAt + 2 + 12 * main.size() + 4;
    size_t dataAt = exifAt + (exif.empty() ? 0 : 2 + 12 * exif.size() + 4);
    out.resize(dataAt, 0);

    auto writeDirectory = [&](size_t at, const std::vector<SourceEntry>& entries) {
        put16(at, static_cast<uint32_t>(entries.size()));
        size_t p = at + 2;
        for (const SourceEntry& e : entries) {
            const bool byteType = e.type == 1 || e.type == 2 || e.type == 6 || e.type == 7;
            const size_t size = byteType ? 1 : (e.type == 3 || e.type == 8) ? 2 : (e.type == 4 || e.type == 9) ? 4 : 8;
            const size_t count = byteType ? e.bytes.size() : size == 8 ? e.numbers.size() / 2 : e.numbers.size();
            std::vector<uint8_t> values(size == 8 ? count * 8 : count * size);
            for (size_t i = 0; i < (byteType ? count : e.numbers.size()); ++i) {
                if (byteType) {
                    values[i] = static_cast<uint8_t>(e.bytes[i]);
                } else if (size == 2) {
                    values[i * 2] = static_cast<uint8_t>(e.numbers[i] >> 8);
                    values[i * 2 + 1] = static_cast<uint8_t>(e.numbers[i]);
                } else {
                    for (int b = 0; b < 4; ++b) values[i * 4 + b] = static_cast<uint8_t>(e.numbers[i] >> (24 - 8 * b));
                }
            }
            put16(p, e.tag);
            put16(p + 2, e.type);
            put32(p + 4, static_cast<uint32_t>(count));
            if (e.tag == 34665) {
                put32(p + 8, static_cast<uint32_t>(exifAt));
            } else if (values.size() <= 4) {
                for (size_t i = 0; i < values.size(); ++i) out[p + 8 + i] = values[i];
            } else {
                dataAt += dataAt & 1;
                put32(p + 8, static_cast<uint32_t>(dataAt));
                out.resize(dataAt + values.size(), 0);
                std::copy(values.begin(), values.end(), out.begin() + static_cast<std::ptrdiff_t>(dataAt));
                dataAt += values.size();
            }
            p += 12;
        }
    };
    writeDirectory(mainAt, main);
    if (!exif.empty()) writeDirectory(exifAt, exif);
    return out;
}

// The camera file every writer test starts from. Its Exif directory lacks
// DateTimeDigitized, MaxApertureValue, Flash, FocalLength and FlashpixVersion,
// and holds a maker note, which is never carried.
inline std::vector<uint8_t> CameraSourceBytes() {
    using namespace std::string_literals;
    return BuildBigEndianTiff(
        {
            {256, 4, {2560}, {}},
            {270, 2, {}, "OLYMPUS DIGITAL CAMERA\0"s},
            {271, 2, {}, "OLYMPUS OPTICAL CO.,LTD\0"s},
            {272, 2, {}, "C5050Z\0"s},
            {305, 2, {}, "v1.0\0"s},
        },
        {
            {33434, 5, {1, 125}, {}},
            {33437, 5, {28, 10}, {}},
            {34850, 3, {2}, {}},
            {34855, 3, {100}, {}},
            {36864, 7, {}, "0220"},
            {36867, 2, {}, "2003:05:17 10:20:30\0"s},
            {37380, 10, {0xFFFFFFFDu, 10}, {}},
            {37383, 3, {5}, {}},
            {37500, 7, {}, "OLYMPUS\0\1\0maker"s},
            {40961, 3, {1}, {}},
            {41728, 7, {}, "\3"s},
        });
}

// One directory entry as written: its record and the bytes its values occupy.
struct WrittenEntry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    uint32_t value = 0;
};

// The entries of the little-endian directory at offset; empty when it does not fit.
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

// An image of width × height pixels with channels samples each, filled by fill(index).
template <class F>
std::vector<uint16_t> MakeSamples(uint32_t width, uint32_t height, uint16_t channels, F fill) {
    std::vector<uint16_t> s(size_t{width} * height * channels);
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<uint16_t>(fill(i));
    return s;
}

inline ProcessedImage ImageOf(std::vector<uint16_t>& samples, uint32_t width, uint32_t height, uint16_t channels) {
    ProcessedImage image;
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.bitsPerSample = 16;
    image.byteSize = static_cast<int32_t>(samples.size() * 2);
    image.samples = samples.data();
    return image;
}

}  // namespace kyp::testing
