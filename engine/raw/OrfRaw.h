#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/core/LoadError.h"
#include "engine/raw/CameraSettings.h"
#include "engine/raw/TiffDirectory.h"

namespace kyp {

class TiffDocument;

// The smallest file the ORF file test accepts.
inline constexpr uint32_t kOrfMinimumFileSize = 7614592;

// ORF file test: the path names an existing regular file (not a directory)
// of at least kOrfMinimumFileSize bytes and below 4 GiB whose first four
// bytes are "MM" then "OR". Reads only the first eight bytes; a pipe or
// device is never opened for reading, so the test cannot block. On failure
// why (when given) says which part of the test failed.
[[nodiscard]] bool isOrfFile(const std::string& path, LoadError* why = nullptr);

// White-balance mode index from the two SHORT values of maker-note tag 0x1015:
// first 1 gives 0 (Auto), first 3 gives 1 (Quick Reference), else a second
// value of 2..8 gives that value, anything else 0.
[[nodiscard]] uint16_t WhiteBalanceModeFrom(uint16_t first, uint16_t second);
// "Auto", "Quick Reference", "3000K", ... "7500K"; "Auto" outside 0..8.
[[nodiscard]] const char* WhiteBalanceName(uint32_t index);

// The Olympus maker note of an open, parsed document: the Exif directory's
// MakerNote (37500) when it holds at least minimumSize bytes and begins
// "OLYMP\0", read as a directory at the maker note's offset + 8 in the file's
// byte order (offsets inside count from the start of the file). Nothing when
// there is none or it cannot be read. The raw extraction asks for 9 bytes.
[[nodiscard]] std::unique_ptr<TiffDirectory> readOlympusMakerNote(TiffDocument& document,
                                                                  uint32_t minimumSize = 9);

// Camera settings from a maker-note directory; absent tags keep the defaults.
void readCameraSettings(const TiffDirectory& makerNote, CameraSettings& camera);

// What readRawInfo finds.
struct RawInfo {
    const uint8_t* raw = nullptr;  // first raw byte in the file's bytes; null when the offset is past the end
    uint32_t rawOffset = 0;        // file offset of the first strip
    uint32_t width = 0;
    uint32_t height = 0;
    CameraSettings camera;
};

// Main-directory geometry and first strip offset, then the camera settings
// from the Olympus maker note (defaults when it is missing or foreign). Fails
// only when the main directory or its width, height or strip offsets are
// missing. Does not check that the raw data fits in the file: loadRawMosaic does.
[[nodiscard]] bool readRawInfo(TiffDocument& document, RawInfo& info);

// Converts count samples: sample i is the big-endian 16-bit word at bytes
// 2i, 2i + 1 shifted right by 6 (the value sits in the upper 10 bits).
void unpack(uint16_t* destination, const uint8_t* source, size_t count);
// The same where the count words at words hold the file's bytes: each word
// becomes its sample.
void unpackInPlace(uint16_t* words, size_t count);

}  // namespace kyp
