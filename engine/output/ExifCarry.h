#pragma once
#include <cstdint>
#include <ctime>
#include <iterator>
#include <string>

#include "engine/raw/TiffDocument.h"
#include "engine/raw/TiffTags.h"

namespace kyp {

// What the TIFF writer and the JPEG Exif segment write alike: the Software
// text, the Exif entries carried over from the camera file, the DateTime text
// and the little-endian directory records.

// Text of the Software tag (count 9 with its terminating zero).
inline constexpr char kSoftwareName[] = "KypSuite";

// Exif tags carried from the source file, in the order written (ascending, as
// TIFF requires). ColorSpace goes only with colour pixels. The maker note and
// everything else stay behind.
inline constexpr uint16_t kCarriedExifTags[] = {
    tag::kExposureTime,     tag::kFNumber,          tag::kExposureProgram,   tag::kIsoSpeedRatings,
    tag::kExifVersion,      tag::kDateTimeOriginal, tag::kDateTimeDigitized, tag::kExposureBiasValue,
    tag::kMaxApertureValue, tag::kMeteringMode,     tag::kFlash,             tag::kFocalLength,
    tag::kFlashpixVersion,  tag::kColorSpace,       tag::kFileSource,
};
inline constexpr size_t kCarriedExifTagCount = std::size(kCarriedExifTags);

// Appends to exif a copy of each carried tag that sourceExif holds, in table
// order. ColorSpace only when withColorSpace; an entry with more than
// maxDataSize bytes of out-of-line data is left out.
void addCarriedExifEntries(TiffDirectory& exif, const TiffDirectory& sourceExif, bool withColorSpace,
                           uint64_t maxDataSize = UINT64_MAX);

// Writes directory at file + directory.position as it stands in a
// little-endian file: count, the twelve-byte records as held, next offset 0.
void putTiffDirectory(uint8_t* file, const TiffDirectory& directory);

// The TIFF/Exif DateTime text of a moment in local time: "YYYY:MM:DD HH:MM:SS"
// (19 characters, 24-hour clock) into out, which holds at least 20 bytes.
// False (out then all zeros but the colons and space) when the moment cannot
// be converted or its year has more than four digits.
bool formatTiffDateTime(std::time_t moment, char out[20]);

// The DateTime text of now (19 characters; of zeros on failure).
[[nodiscard]] std::string currentExifDateTime();

}  // namespace kyp
