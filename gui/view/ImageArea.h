#pragma once
#include <QImage>

// The frame's image view is the ImageWindow.
#include "gui/view/ImageWindow.h"

namespace kyp {

class Bitmap;

// A copy of an 8-bit rendering (grey or blue-green-red, rows bottom-up) as a
// top-down QImage. A bitmap without pixels gives a null image.
[[nodiscard]] QImage ImageFromBitmap(const Bitmap& bitmap);

// The size a picture of size image is drawn at inside room: as it is when it
// fits, else scaled down to the largest size that fits with its aspect ratio
// kept (each side at least 1 pixel). Empty for an empty picture or room.
[[nodiscard]] QSize FitSize(const QSize& image, const QSize& room);

}  // namespace kyp
