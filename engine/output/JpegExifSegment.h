#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/output/ExifCarry.h"  // currentExifDateTime() gives the dateTime below
#include "engine/settings/OutputSettings.h"

namespace kyp {

class TiffDocument;

// An annotation text in the Exif segment holds at most this many bytes (its
// zero byte not counted). With three such texts, the fixed entries and fifteen
// copied Exif entries of at most kExifMaxCopiedData bytes each, the segment
// stays within the 65535 bytes a JPEG marker segment can hold.
inline constexpr size_t kExifMaxTextBytes = 16383;
// Copied Exif values are a few bytes each in camera files; a source entry with
// more out-of-line data than this is left out of the segment.
inline constexpr uint64_t kExifMaxCopiedData = 1024;

// The longest prefix of text of at most maxBytes bytes that does not end
// inside a UTF-8 sequence.
[[nodiscard]] std::string_view cutAtCharacter(std::string_view text, size_t maxBytes);

// The complete APP1 segment (0xFF 0xE1, 16-bit big-endian length = TIFF size
// + 8, "Exif\0\0", then a little-endian TIFF structure) for an image of
// channels channels, copying the Exif entries of source. The structure holds
// the header "II", 42, 8; the first directory at 8 (ImageDescription, Software
// "KypSuite", DateTime = dateTime, Artist, Copyright, ExifIFD; the three texts
// only when settings->ja is set and the text is not empty); the Exif directory
// right after it; then the out-of-line values of both directories in entry
// order. segment is left empty (and the result is true) when source has no
// Exif directory; false when memory runs out.
[[nodiscard]] bool buildJpegExifSegment(const TiffDocument& source, const OutputSettings* settings, uint16_t channels,
                                        std::string_view dateTime, std::vector<uint8_t>& segment);

}  // namespace kyp
