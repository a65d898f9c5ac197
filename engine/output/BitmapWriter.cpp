#include "engine/output/BitmapWriter.h"

#include <cerrno>
#include <cstdint>

#include "engine/core/ByteOrder.h"
#include "platform/AtomicFile.h"

namespace kyp {

namespace {

// Bitmap headers are little-endian; each call appends one value.
inline void Put16(uint8_t*& p, uint32_t v) {
    Store16(p, static_cast<uint16_t>(v), false);
    p += 2;
}

inline void Put32(uint8_t*& p, uint32_t v) {
    Store32(p, v, false);
    p += 4;
}

}  // namespace

bool writeBmp(const Bitmap& bitmap, const std::string& path, int* error) {
    if (!bitmap.hasPixels()) {
        if (error) *error = EINVAL;
        return false;
    }
    const bool paletted = bitmap.bitsPerPixel() == 8;
    const uint32_t headers = static_cast<uint32_t>(kBitmapFileHeaderSize + kBitmapInfoHeaderSize) +
                             (paletted ? static_cast<uint32_t>(kBitmapPaletteSize) : 0u);
    // Bitmap::create keeps the pixel block small enough for this to fit.
    const auto fileSize = static_cast<uint32_t>(headers + bitmap.size());

    uint8_t head[kBitmapFileHeaderSize + kBitmapInfoHeaderSize + kBitmapPaletteSize];
    uint8_t* p = head;
    // BITMAPFILEHEADER
    *p++ = 'B';
    *p++ = 'M';
    Put32(p, fileSize);
    Put16(p, 0);
    Put16(p, 0);
    Put32(p, headers);  // offset of the pixel data
    // BITMAPINFOHEADER
    const BitmapInfoHeader& h = bitmap.header();
    Put32(p, h.size);
    Put32(p, static_cast<uint32_t>(h.width));
    Put32(p, static_cast<uint32_t>(h.height));
    Put16(p, h.planes);
    Put16(p, h.bitCount);
    Put32(p, h.compression);
    Put32(p, h.sizeImage);
    Put32(p, static_cast<uint32_t>(h.xPelsPerMeter));
    Put32(p, static_cast<uint32_t>(h.yPelsPerMeter));
    Put32(p, h.clrUsed);
    Put32(p, h.clrImportant);
    if (paletted) {
        for (size_t i = 0; i < kBitmapPaletteSize; ++i) *p++ = bitmap.palette()[i];
    }

    AtomicFile file;
    file.SetDurable(false);  // an image remade at will: the rename is protection enough
    if (file.Open(path) && file.Write(head, headers) && file.Write(bitmap.pixels(), bitmap.size()) && file.Commit())
        return true;
    if (error) *error = file.Error();
    return false;
}

}  // namespace kyp
