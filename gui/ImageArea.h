#pragma once
#include <QImage>

// The frame's image view is the ImageWindow.
#include "gui/ImageWindow.h"

namespace kyp {

class Bitmap;

// A copy of an 8-bit rendering (grey or blue-green-red, rows bottom-up) as a
// top-down QImage. A bitmap without pixels gives a null image.
[[nodiscard]] QImage ImageFromBitmap(const Bitmap& bitmap);

}  // namespace kyp
