#include "gui/view/ImageArea.h"

#include <QSize>

#include <algorithm>
#include <cstdint>
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

QSize FitSize(const QSize& image, const QSize& room) {
    if (image.isEmpty() || room.isEmpty()) return {};
    if (image.width() <= room.width() && image.height() <= room.height()) return image;
    // The side that limits keeps the room's length; the other follows, rounded.
    const int64_t w = image.width();
    const int64_t h = image.height();
    if (w * room.height() >= h * room.width()) {
        return {room.width(), static_cast<int>(std::max<int64_t>(1, (h * room.width() + w / 2) / w))};
    }
    return {static_cast<int>(std::max<int64_t>(1, (w * room.height() + h / 2) / h)), room.height()};
}

}  // namespace kyp
