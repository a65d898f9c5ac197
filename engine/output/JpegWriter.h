#pragma once
#include <cstdint>

#include "engine/output/JpegOutputBuffer.h"
#include "engine/process/ProcessedImage.h"
#include "engine/settings/OutputSettings.h"

namespace kyp {

class TiffDocument;

// Quality used when no output settings are given.
inline constexpr int kDefaultJpegQuality = 90;

// Largest data part of a JPEG marker segment: its length field is 16 bits and
// counts itself (65535 − 2).
inline constexpr size_t kJpegMaxSegmentData = 65533;

// Compresses image (1 channel: grey, 3: RGB; samples 0..1023, written as
// (s + 2) / 4, at most 255) as a baseline JPEG appended to output.
//
// Stream order: SOI, APP0 JFIF, then the APP1 Exif segment when source is
// given, has an Exif directory and settings->jx is set (or settings is null),
// then when settings->ja is set one COM segment per present text, in the order
// artist, copyright, description (each holding the text and its zero byte; a
// text longer than kJpegMaxSegmentData − 1 bytes is cut there, at a UTF-8
// character boundary), then the image.
//
// Quality is settings->jpegQuality clamped to 1..100 (kDefaultJpegQuality
// without settings), with baseline quantisation tables.
//
// False on an image the library cannot hold (zero or more than 65500 pixels
// wide or high), a channel count other than 1 or 3, missing samples, and any
// library error (whose message goes to the JPEG message sink). output then
// holds an incomplete stream for the caller to discard.
[[nodiscard]] bool writeJpeg(const ProcessedImage& image, const TiffDocument* source, const OutputSettings* settings,
                             JpegOutputBuffer& output);

}  // namespace kyp
