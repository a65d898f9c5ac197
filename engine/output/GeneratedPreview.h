#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/output/Bitmap.h"
#include "engine/process/ProcessedImage.h"

namespace kyp {

// The open dialog's own preview of an ORF file, made from its raw data when
// the embedded JPEG is not wanted: the mosaic less the camera's black levels,
// block-averaged by 10 (11 for sensors wider than 2256), the fixed fudge
// factors times the camera's white balance, the camera's colour matrix, a
// levels stretch between the darkest and brightest luminance, and gamma 0.4.
//
// False when the file is not an ORF file or its raw data cannot be read.
// caption, when given, receives the short camera caption.
[[nodiscard]] bool GeneratePreview(const std::string& path, Bitmap& preview, std::string* caption);

// Lowest and highest luminance (13933 R + 46871 G + 4732 B) >> 16 of an RGB
// image over its pixels taken in whole groups of eight; the pixels after the
// last whole group are not looked at. Fewer than eight pixels give 1023 and 0.
void luminanceBounds(const ProcessedImage& image, uint16_t& lowest, uint16_t& highest);

// Reduction factor of the generated preview for a sensor width.
[[nodiscard]] inline int32_t GeneratedPreviewFactor(uint32_t rawWidth) { return rawWidth > 2256 ? 11 : 10; }

// The embedded JPEG preview of an ORF file (tags 513/514) decoded into an
// 8-bit bitmap, and the caption. False when there is none or it cannot be decoded.
[[nodiscard]] bool embeddedPreview(const std::string& path, Bitmap& preview, std::string* caption);

}  // namespace kyp
