#pragma once
#include <cstdint>
#include <string>

#include "engine/process/ProcessedImage.h"
#include "engine/raw/TiffDocument.h"
#include "engine/settings/ImportSettings.h"
#include "engine/settings/OutputSettings.h"

namespace kyp {

// The pixel data starts at a multiple of this.
inline constexpr uint32_t kTiffPixelAlignment = 16;
// Resolution written to XResolution/YResolution, per inch.
inline constexpr uint32_t kTiffResolutionDpi = 144;

// Saves image as an uncompressed baseline TIFF: little-endian, one strip,
// 8 bits per component ((sample + 2) / 4, at most 255) or, with output.t16,
// 16 (sample × 64); RGB, or one grey channel for a one-channel image or when
// settings.options has opt::gray (a three-channel image then gives its green
// samples). The main directory carries the descriptive tags, Make, Model and
// ImageDescription copied from source's main directory and, with output.ta,
// the annotation texts; with output.tx and an Exif directory in the source, a
// fixed list of Exif tags is copied into an Exif directory of the file.
//
// The file appears only when completely written: it is written beside path
// and renamed over it, so a failure leaves no partial file and an existing
// file of that name as it was. Fails, creating nothing, without a source
// document holding a main directory, for an image that is not 1 or 3 channels
// of positive size with samples, and for a file beyond 4 GiB. On failure
// error (when given) holds the reason as an errno value (ENOSPC, EACCES,
// ENOMEM, EISDIR...).
[[nodiscard]] bool writeTiff(const std::string& path, const TiffDocument* source, const ProcessedImage& image,
                             const ImportSettings& settings, const OutputSettings& output, int* error = nullptr);

}  // namespace kyp
