#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace kyp {

// BITMAPINFOHEADER of a Windows device-independent bitmap: 40 bytes,
// little-endian in files. A positive height means rows are stored bottom-up.
struct BitmapInfoHeader {
    uint32_t size = 40;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 1;
    uint16_t bitCount = 0;       // 8 (palette index) or 24 (blue, green, red)
    uint32_t compression = 0;    // BI_RGB
    uint32_t sizeImage = 0;      // 0 is allowed for BI_RGB
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;        // 0: all 256 palette entries for 8 bits
    uint32_t clrImportant = 0;
};

inline constexpr size_t kBitmapInfoHeaderSize = 40;
inline constexpr size_t kBitmapPaletteSize = 256 * 4;  // blue, green, red, 0 per entry

// Largest pixel block a Bitmap holds: its .BMP file (palette included) must
// still fit the 32-bit signed sizes that readers of the format use.
inline constexpr size_t kBitmapMaxPixelBytes = 0x7FFFFFFF - 14 - kBitmapInfoHeaderSize - kBitmapPaletteSize;

struct PixelRgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const PixelRgb&) const = default;
};

// An 8-bit grey (with a grey palette) or 24-bit blue-green-red picture in the
// DIB layout: the first stored row is the bottom row of the picture, and every
// row is padded to a multiple of 4 bytes. The pixel block is reused by create()
// whenever it is large enough, so re-rendering a same-sized picture allocates
// nothing.
class Bitmap {
public:
    Bitmap();
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    Bitmap(Bitmap&& other) noexcept : Bitmap() { takeOver(other); }
    Bitmap& operator=(Bitmap&& other) noexcept {
        takeOver(other);
        return *this;
    }

    // channels 1 gives 8 bits with the grey palette, anything else 24 bits.
    // Pixels are not cleared (a newly allocated block starts as zeros). Fails
    // on non-positive sizes, sizes beyond kBitmapMaxPixelBytes and allocation
    // failure; the bitmap then has no pixels.
    [[nodiscard]] bool create(int32_t width, int32_t height, int channels);
    // stride × height when there is a pixel block, else 0.
    [[nodiscard]] size_t size() const;
    void release();
    // Takes the other's header, palette (when 8-bit) and pixel block; the other is left empty.
    void takeOver(Bitmap& other);

    [[nodiscard]] const BitmapInfoHeader& header() const { return header_; }
    [[nodiscard]] int32_t width() const { return header_.width; }
    [[nodiscard]] int32_t height() const { return header_.height; }
    [[nodiscard]] int bitsPerPixel() const { return header_.bitCount; }
    [[nodiscard]] int bytesPerPixel() const { return header_.bitCount == 8 ? 1 : 3; }
    [[nodiscard]] size_t stride() const { return stride_; }
    [[nodiscard]] bool hasPixels() const { return pixels_ != nullptr; }

    [[nodiscard]] uint8_t* pixels() { return pixels_.get(); }
    [[nodiscard]] const uint8_t* pixels() const { return pixels_.get(); }
    // Row y of the picture, counted from the top (stored row height − 1 − y).
    [[nodiscard]] uint8_t* row(int32_t y) { return pixels_.get() + rowOffset(y); }
    [[nodiscard]] const uint8_t* row(int32_t y) const { return pixels_.get() + rowOffset(y); }
    [[nodiscard]] uint8_t* palette() { return palette_.data(); }
    [[nodiscard]] const uint8_t* palette() const { return palette_.data(); }

    // Mirrors left for right and/or top for bottom, in place. Neither: failure.
    [[nodiscard]] bool flip(bool horizontal, bool vertical);
    // quarterTurns in −4..4, taken modulo 4: 1 turns counter-clockwise (the top
    // edge becomes the left edge), 3 and −1 clockwise, 2 and −2 a half turn,
    // 0 copies. The destination may be this bitmap.
    [[nodiscard]] bool rotate(int quarterTurns, Bitmap& destination) const;
    [[nodiscard]] bool rotateInPlace(int quarterTurns);
    // An 8-bit picture of one channel: from 24 bits, 0 luminance, 1 red,
    // 2 green, 3 blue; any other channel creates the destination and leaves its
    // pixels as they are. An 8-bit source is copied. The destination may be this bitmap.
    [[nodiscard]] bool extractChannel(int channel, Bitmap& destination) const;

    // The pixel at (x, y), y from the top, both clamped into the picture; an
    // 8-bit pixel gives its value three times; no pixels give zeros.
    [[nodiscard]] PixelRgb pixelAt(int32_t x, int32_t y) const;
    // The truncated mean of each component over the area whose top-left pixel
    // is (x, y). Only the part of the area inside the picture counts; an area
    // with nothing inside gives zeros.
    [[nodiscard]] PixelRgb averageAt(int32_t x, int32_t y, int32_t width, int32_t height) const;

private:
    [[nodiscard]] size_t rowOffset(int32_t y) const {
        return static_cast<size_t>(header_.height - 1 - y) * stride_;
    }
    void setGreyPalette();

    BitmapInfoHeader header_;
    std::array<uint8_t, kBitmapPaletteSize> palette_{};
    struct FreeBlock {
        void operator()(uint8_t* block) const { std::free(block); }
    };
    std::unique_ptr<uint8_t[], FreeBlock> pixels_;
    size_t capacity_ = 0;
    size_t stride_ = 0;
};

}  // namespace kyp
