#include "engine/output/Bitmap.h"

#include <algorithm>
#include <cstdlib>

namespace kyp {

Bitmap::Bitmap() { setGreyPalette(); }

void Bitmap::setGreyPalette() {
    for (size_t i = 0; i < 256; ++i) {
        const auto level = static_cast<uint8_t>(i);
        palette_[i * 4 + 0] = level;
        palette_[i * 4 + 1] = level;
        palette_[i * 4 + 2] = level;
        palette_[i * 4 + 3] = 0;
    }
}

bool Bitmap::create(int32_t width, int32_t height, int channels) {
    const int bytesPerPixel = channels == 1 ? 1 : 3;
    if (width <= 0 || height <= 0) {
        release();
        return false;
    }
    // Rows are padded to a multiple of 4 bytes; computed in 64 bits so huge
    // sizes are refused instead of wrapping.
    const uint64_t stride = (static_cast<uint64_t>(width) * bytesPerPixel + 3) & ~uint64_t{3};
    const uint64_t bytes = stride * static_cast<uint64_t>(height);
    if (bytes > kBitmapMaxPixelBytes) {
        release();
        return false;
    }

    if (bytesPerPixel == 1 && header_.bitCount != 8) setGreyPalette();
    header_ = BitmapInfoHeader{};
    header_.width = width;
    header_.height = height;
    header_.bitCount = static_cast<uint16_t>(bytesPerPixel * 8);
    stride_ = static_cast<size_t>(stride);

    if (!pixels_ || bytes > capacity_) {
        release();
        // calloc: a large block comes straight from the kernel, already zero,
        // so its pages are first touched by whoever fills them (the renderer,
        // between its progress ticks) instead of all at once here.
        pixels_.reset(static_cast<uint8_t*>(std::calloc(static_cast<size_t>(bytes), 1)));
        if (!pixels_) return false;
        capacity_ = static_cast<size_t>(bytes);
    }
    return true;
}

size_t Bitmap::size() const { return pixels_ ? stride_ * static_cast<size_t>(header_.height) : 0; }

void Bitmap::release() {
    pixels_.reset();
    capacity_ = 0;
}

void Bitmap::takeOver(Bitmap& other) {
    if (&other == this) return;
    release();
    header_ = other.header_;
    if (header_.bitCount == 8) palette_ = other.palette_;
    pixels_ = std::move(other.pixels_);
    capacity_ = other.capacity_;
    stride_ = other.stride_;
    other.capacity_ = 0;
}

PixelRgb Bitmap::pixelAt(int32_t x, int32_t y) const {
    if (!pixels_) return {};
    x = std::clamp(x, 0, header_.width - 1);
    y = std::clamp(y, 0, header_.height - 1);
    const uint8_t* p = row(y);
    if (header_.bitCount == 8) return {p[x], p[x], p[x]};
    p += static_cast<size_t>(x) * 3;
    return {p[2], p[1], p[0]};
}

PixelRgb Bitmap::averageAt(int32_t x, int32_t y, int32_t width, int32_t height) const {
    if (!pixels_ || width <= 0 || height <= 0) return {};
    // Clip the area to the picture, in 64 bits so x + width cannot overflow.
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>(int64_t{x} + width, header_.width);
    const int64_t bottom = std::min<int64_t>(int64_t{y} + height, header_.height);
    if (left >= right || top >= bottom) return {};

    uint64_t sums[3] = {0, 0, 0};
    for (int64_t yy = top; yy < bottom; ++yy) {
        const uint8_t* p = row(static_cast<int32_t>(yy));
        if (header_.bitCount == 8) {
            for (int64_t xx = left; xx < right; ++xx) sums[0] += p[xx];
        } else {
            for (int64_t xx = left; xx < right; ++xx) {
                sums[0] += p[xx * 3 + 2];
                sums[1] += p[xx * 3 + 1];
                sums[2] += p[xx * 3 + 0];
            }
        }
    }
    const auto count = static_cast<uint64_t>((right - left) * (bottom - top));
    const auto mean = [count](uint64_t sum) { return static_cast<int>(std::min<uint64_t>(sum / count, 255)); };
    if (header_.bitCount == 8) {
        const int v = mean(sums[0]);
        return {v, v, v};
    }
    return {mean(sums[0]), mean(sums[1]), mean(sums[2])};
}

}  // namespace kyp
