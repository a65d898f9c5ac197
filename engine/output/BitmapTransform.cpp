// Flips, quarter turns and channel extraction of a Bitmap, as used by the
// image view. Rows are addressed from the top of the picture throughout; the
// bottom-up storage is hidden behind Bitmap::row().
#include "engine/output/Bitmap.h"

#include <algorithm>
#include <cstring>

namespace kyp {

namespace {

void MirrorRow(uint8_t* p, int32_t width, int bytesPerPixel) {
    if (bytesPerPixel == 1) {
        std::reverse(p, p + width);
        return;
    }
    uint8_t* a = p;
    uint8_t* b = p + static_cast<size_t>(width - 1) * 3;
    for (; a < b; a += 3, b -= 3) {
        std::swap(a[0], b[0]);
        std::swap(a[1], b[1]);
        std::swap(a[2], b[2]);
    }
}

void ClearPadding(Bitmap& bitmap) {
    const size_t used = static_cast<size_t>(bitmap.width()) * bitmap.bytesPerPixel();
    const size_t padding = bitmap.stride() - used;
    if (padding == 0) return;
    for (int32_t y = 0; y < bitmap.height(); ++y) std::memset(bitmap.row(y) + used, 0, padding);
}

// Source pixel (x, y) of destination pixel (dx, dy), both from the top-left.
template <int Turns>
inline void SourceOf(int32_t dx, int32_t dy, int32_t srcWidth, int32_t srcHeight, int32_t& x, int32_t& y) {
    if constexpr (Turns == 1) {  // counter-clockwise: source top edge is the left edge
        x = srcWidth - 1 - dy;
        y = dx;
    } else if constexpr (Turns == 2) {
        x = srcWidth - 1 - dx;
        y = srcHeight - 1 - dy;
    } else {  // clockwise
        x = dy;
        y = srcHeight - 1 - dx;
    }
}

template <int Turns, int BytesPerPixel>
void Turn(const Bitmap& source, Bitmap& destination) {
    const int32_t sw = source.width();
    const int32_t sh = source.height();
    for (int32_t dy = 0; dy < destination.height(); ++dy) {
        uint8_t* out = destination.row(dy);
        for (int32_t dx = 0; dx < destination.width(); ++dx) {
            int32_t x = 0;
            int32_t y = 0;
            SourceOf<Turns>(dx, dy, sw, sh, x, y);
            const uint8_t* in = source.row(y) + static_cast<size_t>(x) * BytesPerPixel;
            for (int c = 0; c < BytesPerPixel; ++c) out[c] = in[c];
            out += BytesPerPixel;
        }
    }
}

template <int Turns>
void Turn(const Bitmap& source, Bitmap& destination) {
    if (source.bytesPerPixel() == 1)
        Turn<Turns, 1>(source, destination);
    else
        Turn<Turns, 3>(source, destination);
}

}  // namespace

bool Bitmap::flip(bool horizontal, bool vertical) {
    if (!pixels_ || (!horizontal && !vertical)) return false;
    const int32_t w = header_.width;
    const int32_t h = header_.height;
    if (horizontal) {
        for (int32_t y = 0; y < h; ++y) MirrorRow(row(y), w, bytesPerPixel());
    }
    if (vertical) {
        for (int32_t top = 0, bottom = h - 1; top < bottom; ++top, --bottom)
            std::swap_ranges(row(top), row(top) + stride_, row(bottom));
    }
    return true;
}

bool Bitmap::rotate(int quarterTurns, Bitmap& destination) const {
    if (quarterTurns < -4 || quarterTurns > 4 || !pixels_) return false;
    if (&destination == this) {
        Bitmap turned;
        if (!rotate(quarterTurns, turned)) return false;
        destination.takeOver(turned);
        return true;
    }
    const int turns = ((quarterTurns % 4) + 4) % 4;
    const bool swapSides = (turns & 1) != 0;
    const int channels = header_.bitCount == 8 ? 1 : 3;
    if (!destination.create(swapSides ? header_.height : header_.width,
                            swapSides ? header_.width : header_.height, channels))
        return false;
    if (channels == 1) destination.palette_ = palette_;

    switch (turns) {
        case 0: std::memcpy(destination.pixels(), pixels(), size()); break;
        case 1: Turn<1>(*this, destination); break;
        case 2: Turn<2>(*this, destination); break;
        default: Turn<3>(*this, destination); break;
    }
    if (turns != 0) ClearPadding(destination);
    return true;
}

bool Bitmap::rotateInPlace(int quarterTurns) { return rotate(quarterTurns, *this); }

bool Bitmap::extractChannel(int channel, Bitmap& destination) const {
    if (!pixels_) return false;
    if (&destination == this) {
        Bitmap extracted;
        if (!extractChannel(channel, extracted)) return false;
        destination.takeOver(extracted);
        return true;
    }
    if (!destination.create(header_.width, header_.height, 1)) return false;
    if (header_.bitCount == 8) {
        std::memcpy(destination.pixels(), pixels(), size());
        return true;
    }
    if (channel < 0 || channel > 3) return true;

    const int32_t w = header_.width;
    for (int32_t y = 0; y < header_.height; ++y) {
        const uint8_t* in = row(y);
        uint8_t* out = destination.row(y);
        if (channel == 0) {
            // Rec. 601 luminance in 16-bit fixed point; the weights add up to 65536.
            for (int32_t x = 0; x < w; ++x, in += 3)
                out[x] = static_cast<uint8_t>((in[2] * 19595u + in[1] * 38470u + in[0] * 7471u) >> 16);
        } else {
            const int byteIndex = 3 - channel;  // stored blue, green, red
            for (int32_t x = 0; x < w; ++x) out[x] = in[x * 3 + byteIndex];
        }
    }
    ClearPadding(destination);
    return true;
}

}  // namespace kyp
