#include "engine/output/JpegExifSegment.h"

#include <array>
#include <cstring>
#include <new>
#include <optional>
#include <span>

#include "engine/raw/TiffDocument.h"

namespace kyp {

namespace {

// Worst case of the TIFF structure: header, both directories (each possibly
// moved by one byte to an even offset), Software, DateTime, three texts with
// their zero bytes and the copied entries with up to three bytes of alignment.
constexpr size_t kFirstDirectoryEntries = 6;
constexpr size_t kWorstTiffSize = 8 + 2 * 1 + (2 + 12 * kFirstDirectoryEntries + 4) +
                                  (2 + 12 * kCarriedExifTagCount + 4) + sizeof kSoftwareName + 20 +
                                  3 * (kExifMaxTextBytes + 1) + kCarriedExifTagCount * (kExifMaxCopiedData + 3);
// The segment length field (16 bits) counts itself, "Exif\0\0" and the TIFF structure.
static_assert(kWorstTiffSize + 8 <= 0xFFFF, "the Exif segment could outgrow its 16-bit length");

void addText(TiffDirectory& directory, uint16_t tagNumber, const std::optional<std::string>& text) {
    if (!text || text->empty()) return;
    directory.entries.push_back(TiffEntry::makeAscii(tagNumber, cutAtCharacter(*text, kExifMaxTextBytes)));
}

bool buildSegment(const TiffDirectory& sourceExif, const OutputSettings* settings, uint16_t channels,
                  std::string_view dateTime, std::vector<uint8_t>& segment) {
    // The Exif directory: clones of the source entries.
    TiffDirectory exif;
    addCarriedExifEntries(exif, sourceExif, channels > 1, kExifMaxCopiedData);
    for (TiffEntry& e : exif.entries) {
        // A single SHORT value stands in the first half of the value field;
        // the second half repeats it.
        if (e.tag == tag::kExposureProgram && e.count == 1 && (e.type == kTiffShort || e.type == kTiffSShort))
            e.setValueShorts(e.valueShort(0), e.valueShort(0));
    }

    // The first directory, in ascending tag order.
    const bool annotate = settings && settings->ja;
    TiffDirectory first;
    if (annotate) addText(first, tag::kImageDescription, settings->description);
    first.entries.push_back(TiffEntry::makeAscii(tag::kSoftware, kSoftwareName));
    first.entries.push_back(TiffEntry::makeAscii(tag::kDateTime, dateTime.substr(0, 19)));
    if (annotate) addText(first, tag::kArtist, settings->artist);
    if (annotate) addText(first, tag::kCopyright, settings->copyright);
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
    putTiffDirectory(tiff, first);
    putTiffDirectory(tiff, exif);
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
