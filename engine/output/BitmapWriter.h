#pragma once
#include <string>

#include "engine/output/Bitmap.h"

namespace kyp {

// Size of the BITMAPFILEHEADER that starts a .BMP file.
inline constexpr size_t kBitmapFileHeaderSize = 14;

// Writes the bitmap as a Windows .BMP file: file header, the info header as
// held, the 256-entry palette when 8-bit, then the pixel block as stored
// (bottom-up, padded rows). The file appears only when completely written; a
// failure leaves an existing file of that name untouched. Fails when the
// bitmap has no pixels or the file cannot be written; error (when given)
// then holds the reason as an errno value.
[[nodiscard]] bool writeBmp(const Bitmap& bitmap, const std::string& path, int* error = nullptr);

}  // namespace kyp
