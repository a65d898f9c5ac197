#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/settings/Curve.h"

namespace kyp {

// Photoshop curve file (.acv), every value an unsigned 16-bit big-endian word:
//   version (1), curve count, then per curve: point count n and n points, each
//   output y then input x on 0..255.
// Files written here hold five curves: master, red, green, blue and a fifth
// identity curve (0,0) (255,255), so their size is 22 + 4 * (points of the
// four curves) bytes.

// Reads at most four curves (master, red, green, blue; further curves are
// ignored). Rejected with false, leaving every curve unchanged: a version
// other than 1, data that ends before the counts of the curves read are met,
// a curve of no point, a coordinate above 255.
[[nodiscard]] bool ReadAcvData(const uint8_t* data, size_t length, CurveArray& curves);

// Reads a whole file. A file that cannot be opened or read changes nothing;
// otherwise the four curves are reset to the identity first, so a file that
// does not parse leaves them at the identity.
[[nodiscard]] bool ReadAcvFile(const std::string& path, CurveArray& curves);

// The file's bytes; empty when a curve has more points than the 16-bit count
// can hold or a coordinate above 255 (a file the reader would reject).
[[nodiscard]] std::vector<uint8_t> WriteAcvData(const CurveArray& curves);

// Creates or replaces the file (written beside it and renamed into place).
[[nodiscard]] bool WriteAcvFile(const std::string& path, const CurveArray& curves);

}  // namespace kyp
