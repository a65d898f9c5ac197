#include "gui/view/ScreenPixels.h"

#include <algorithm>

namespace kyp {

QImage ToScreenPixels(const Bitmap& bitmap, const std::function<void()>& between) {
    if (!bitmap.hasPixels() || bitmap.width() <= 0 || bitmap.height() <= 0) return {};
    QImage image(bitmap.width(), bitmap.height(), QImage::Format_RGB32);
    if (image.isNull()) return {};
    const bool grey = bitmap.bitsPerPixel() == 8;
    const uint8_t* palette = bitmap.palette();
    const int32_t width = bitmap.width();
    for (int32_t band = 0; band < bitmap.height(); band += kScreenPixelsBandRows) {
        const int32_t end = std::min(bitmap.height(), band + kScreenPixelsBandRows);
        for (int32_t y = band; y < end; ++y) {
            const uint8_t* from = bitmap.row(y);
            auto* to = reinterpret_cast<QRgb*>(image.scanLine(y));
            if (grey) {
                for (int32_t x = 0; x < width; ++x) {
                    const uint8_t* entry = palette + 4 * from[x];
                    to[x] = qRgb(entry[2], entry[1], entry[0]);
                }
            } else {
                for (int32_t x = 0; x < width; ++x, from += 3) to[x] = qRgb(from[2], from[1], from[0]);
            }
        }
        if (between) between();
    }
    return image;
}

}  // namespace kyp
