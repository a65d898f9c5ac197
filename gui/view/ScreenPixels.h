#pragma once
#include <QImage>

#include <functional>

#include "engine/output/Bitmap.h"

namespace kyp {

// An 8-bit grey or 24-bit blue-green-red bitmap (rows bottom-up) as 32-bit
// pixels with rows from the top, the form the painter draws from fastest.
// A full-size picture is some 15 MB of fresh memory: it is converted in bands
// of kScreenPixelsBandRows rows with `between` called after each band, so a
// caller inside a run can pump there. A null image when the bitmap has no
// pixels or the memory is not to be had.
[[nodiscard]] QImage ToScreenPixels(const Bitmap& bitmap, const std::function<void()>& between = {});

inline constexpr int kScreenPixelsBandRows = 96;

}  // namespace kyp
