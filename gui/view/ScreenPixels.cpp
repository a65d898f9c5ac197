#include "gui/view/ScreenPixels.h"

#include <algorithm>

#include "platform/Parallel.h"

namespace kyp {

namespace {
// Rows per unit of work handed to a thread.
constexpr size_t kRowsPerUnit = 16;
}  // namespace

QImage ToScreenPixels(const Bitmap& bitmap, const std::function<void()>& between) {
    if (!bitmap.hasPixels() || bitmap.width() <= 0 || bitmap.height() <= 0) return {};
    QImage image(bitmap.width(), bitmap.height(), QImage::Format_RGB32);
    if (image.isNull()) return {};
    const bool grey = bitmap.bitsPerPixel() == 8;
    const uint8_t* palette = bitmap.palette();
    const int32_t width = bitmap.width();
    // The rows of a band are shared among the threads; `between` runs on
    // this thread once the band is done.
    uchar* const bits = image.bits();
    const qsizetype bytesPerLine = image.bytesPerLine();
    auto convertRow = [&](int32_t y) {
        const uint8_t* from = bitmap.row(y);
        auto* to = reinterpret_cast<QRgb*>(bits + y * bytesPerLine);
        if (grey) {
            for (int32_t x = 0; x < width; ++x) {
                const uint8_t* entry = palette + 4 * from[x];
                to[x] = qRgb(entry[2], entry[1], entry[0]);
            }
        } else {
            for (int32_t x = 0; x < width; ++x, from += 3) to[x] = qRgb(from[2], from[1], from[0]);
        }
    };
    for (int32_t band = 0; band < bitmap.height(); band += kScreenPixelsBandRows) {
        const int32_t end = std::min(bitmap.height(), band + kScreenPixelsBandRows);
        ParallelRanges(static_cast<size_t>(end - band), kRowsPerUnit, [&](size_t first, size_t last, unsigned) {
            for (size_t y = first; y < last; ++y) convertRow(band + static_cast<int32_t>(y));
        });
        if (between) between();
    }
    return image;
}

}  // namespace kyp
