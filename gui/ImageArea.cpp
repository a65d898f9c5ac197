#include "gui/ImageArea.h"

#include <cstring>

#include "engine/output/Bitmap.h"

namespace kyp {

QImage ImageFromBitmap(const Bitmap& bitmap) {
    if (!bitmap.hasPixels() || bitmap.width() <= 0 || bitmap.height() <= 0) return {};
    const bool grey = bitmap.bitsPerPixel() == 8;
    QImage image(bitmap.width(), bitmap.height(), grey ? QImage::Format_Grayscale8 : QImage::Format_BGR888);
    if (image.isNull()) return {};
    const size_t rowBytes = static_cast<size_t>(bitmap.width()) * (grey ? 1 : 3);
    for (int32_t y = 0; y < bitmap.height(); ++y) std::memcpy(image.scanLine(y), bitmap.row(y), rowBytes);
    return image;
}

}  // namespace kyp
