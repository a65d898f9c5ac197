#include "engine/output/JpegExifSegment.h"

#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>
#include <optional>
#include <span>

#include "engine/output/TiffWriter.h"
#include "engine/raw/TiffDocument.h"
#include "engine/raw/TiffTags.h"

namespace kyp {

// Entries hold their values in machine order and the segment's TIFF structure
// is little-endian, so values are copied as they stand.
static_assert(std::endian::native == std::endian::little, "the Exif segment writer assumes a little-endian machine");

namespace {

constexpr uint16_t kTagArtist = 315;
constexpr uint16_t kTagCopyright = 33432;
constexpr uint16_t kTagFlashpixVersion = 40960;
constexpr uint16_t kTagFileSource = 41728;
constexpr char kSoftware[] = "KypSuite";

// Source Exif entries carried over, in this order.
constexpr uint16_t kCopiedTags[] = {
    tag::kExposureTime,     tag::kFNumber,          tag::kExposureProgram, tag::kIsoSpeedRatings,
    tag::kExifVersion,      tag::kDateTimeOriginal, tag::kDateTimeDigitized, tag::kExposureBiasValue,
    tag::kMaxApertureValue, tag::kMeteringMode,     tag::kFlash,           tag::kFocalLength,
    kTagFlashpixVersion,    tag::kColorSpace,       kTagFileSource,
};

// Worst case of the TIFF structure: header, both directories (each possibly
// moved by one byte to an even offset), Software, DateTime, three texts with
// their zero bytes and the copied entries with up to three bytes of alignment.
constexpr size_t kFirstDirectoryEntries = 6;
constexpr size_t kWorstTiffSize = 8 + 2 * 1 + (2 + 12 * kFirstDirectoryEntries + 4) +
                                  (2 + 12 * std::size(kCopiedTags) + 4) + sizeof kSoftware + 20 +
                                  3 * (kExifMaxTextBytes + 1) + std::size(kCopiedTags) * (kExifMaxCopiedData + 3);
// The segment length field (16 bits) counts itself, "Exif\0\0" and the TIFF structure.
static_assert(kWorstTiffSize + 8 <= 0xFFFF, "the Exif segment could outgrow its 16-bit length");

void putLe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void putLe32(uint8_t* p, uint32_t v) {
    putLe16(p, static_cast<uint16_t>(v));
    putLe16(p + 2, static_cast<uint16_t>(v >> 16));
}

// Count, twelve-byte records as held, next offset 0.
void writeDirectory(uint8_t* tiff, const TiffDirectory& directory) {
    uint8_t* p = tiff + directory.position;
    putLe16(p, directory.count());
    p += 2;
    for (const TiffEntry& e : directory.entries) {
        putLe16(p, e.tag);
        putLe16(p + 2, e.type);
        putLe32(p + 4, e.count);
        std::memcpy(p + 8, &e.value, 4);
        p += 12;
    }
    putLe32(p, 0);
}

void addText(TiffDirectory& directory, uint16_t tagNumber, const std::optional<std::string>& text) {
    if (!text || text->empty()) return;
    directory.entries.push_back(TiffEntry::makeAscii(tagNumber, cutAtCharacter(*text, kExifMaxTextBytes)));
}

bool buildSegment(const TiffDirectory& sourceExif, const OutputSettings* settings, uint16_t channels,
                  std::string_view dateTime, std::vector<uint8_t>& segment) {
    // The Exif directory: clones of the source entries.
    TiffDirectory exif;
    for (uint16_t t : kCopiedTags) {
        if (t == tag::kColorSpace && channels <= 1) continue;
        std::optional<TiffEntry> clone = TiffEntry::cloneFrom(sourceExif, t);
        if (!clone || clone->dataSize() > kExifMaxCopiedData) continue;
        // A single SHORT value stands in the first half of the value field;
        // the second half repeats it.
        if (t == tag::kExposureProgram && clone->count == 1 &&
            (clone->type == kTiffShort || clone->type == kTiffSShort)) {
            clone->setValueShorts(clone->valueShort(0), clone->valueShort(0));
        }
        exif.entries.push_back(std::move(*clone));
    }

    // The first directory, in ascending tag order.
    const bool annotate = settings && settings->ja;
    TiffDirectory first;
    if (annotate) addText(first, tag::kImageDescription, settings->description);
    first.entries.push_back(TiffEntry::makeAscii(tag::kSoftware, kSoftware));
    first.entries.push_back(TiffEntry::makeAscii(tag::kDateTime, dateTime.substr(0, 19)));
    if (annotate) addText(first, kTagArtist, settings->artist);
    if (annotate) addText(first, kTagCopyright, settings->copyright);
    first.entries.push_back(TiffEntry::makeLong(tag::kExifIfd, 0));

    // Layout: directories first, then every out-of-line value in entry order.
    TiffDocument layout;
    layout.initHeader(kByteOrderIntel, 42);
    layout.startLayout();
    if (!layout.placeDirectory(first) || !layout.placeDirectory(exif)) return false;
    first.entries.back().value = exif.position;
    for (TiffEntry& e : first.entries)
        if (!layout.placeData(e)) return false;
    for (TiffEntry& e : exif.entries)
        if (!layout.placeData(e)) return false;
    const size_t tiffSize = layout.layoutCursor();
    if (tiffSize + 8 > 0xFFFF) return false;  // ruled out by the limits above

    segment.assign(tiffSize + 10, 0);
    uint8_t* p = segment.data();
    p[0] = 0xFF;
    p[1] = 0xE1;
    p[2] = static_cast<uint8_t>((tiffSize + 8) >> 8);
    p[3] = static_cast<uint8_t>(tiffSize + 8);
    std::memcpy(p + 4, "Exif\0\0", 6);
    uint8_t* tiff = p + 10;
    const std::array<uint8_t, 8> header = layout.headerBytes();
    std::memcpy(tiff, header.data(), header.size());
    writeDirectory(tiff, first);
    writeDirectory(tiff, exif);
    const std::span<uint8_t> body(tiff, tiffSize);
    return TiffDocument::writeDirectoryData(body, first) && TiffDocument::writeDirectoryData(body, exif);
}

}  // namespace

std::string_view cutAtCharacter(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    size_t length = maxBytes;
    // Step back over continuation bytes (10xxxxxx) to the start of the character.
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
    return text.substr(0, length);
}

std::string currentExifDateTime() {
    char text[20];
    // On failure the text keeps its shape (zeros, colons and a space).
    (void)FormatTiffDateTime(std::time(nullptr), text);
    return std::string(text, strnlen(text, 19));
}

bool buildJpegExifSegment(const TiffDocument& source, const OutputSettings* settings, uint16_t channels,
                          std::string_view dateTime, std::vector<uint8_t>& segment) {
    segment.clear();
    const TiffDirectory* sourceExif = source.findDirectory(DirectoryKind::Exif);
    if (!sourceExif) return true;
    try {
        if (buildSegment(*sourceExif, settings, channels, dateTime, segment)) return true;
    } catch (const std::bad_alloc&) {
    }
    segment.clear();
    return false;
}

}  // namespace kyp
