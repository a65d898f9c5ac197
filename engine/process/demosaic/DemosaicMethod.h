#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "engine/raw/RawMosaic.h"

namespace kyp {

// One way of turning the colour mosaic into an image, run tile by tile by
// DemosaicTiled. A method loses Border() pixels at every edge of a tile (and so
// of the image): mosaic site (x, y) becomes output pixel (x - Border(),
// y - Border()). Each object owns fixed working storage for one tile, so one
// object serves one thread; tiles are independent of each other and of the
// order they are run in (DemosaicTiled gives each extra thread its own object
// from CreateDemosaicMethod(Number())).
class DemosaicMethod {
public:
    virtual ~DemosaicMethod() = default;
    DemosaicMethod(const DemosaicMethod&) = delete;
    DemosaicMethod& operator=(const DemosaicMethod&) = delete;

    [[nodiscard]] virtual uint32_t Border() const = 0;
    // Largest tile in mosaic pixels, overlap included.
    [[nodiscard]] virtual uint32_t TileWidth() const = 0;
    [[nodiscard]] virtual uint32_t TileHeight() const = 0;
    // 3 (red, green, blue interleaved) or 1 (grey).
    [[nodiscard]] virtual uint16_t Channels() const = 0;

    // Reads the tileColumns x tileRows mosaic sites whose top-left corner is
    // (tileColumn, tileRow) and writes the inner (tileColumns - 2 Border) x
    // (tileRows - 2 Border) pixels to output pixel (tileColumn, tileRow) of an
    // image of (mosaic.width - 2 Border) x (mosaic.height - 2 Border) pixels
    // whose rows are outputRowLength samples apart. False, with nothing
    // written, when the tile does not lie inside the mosaic, exceeds the tile
    // size or has no inner pixel.
    [[nodiscard]] virtual bool ProcessTile(uint16_t* output, uint32_t outputRowLength,
                                           const RawMosaic& mosaic, uint32_t tileColumn,
                                           uint32_t tileRow, uint32_t tileColumns,
                                           uint32_t tileRows) = 0;

    // Display name, also the demosaic step's progress text.
    [[nodiscard]] virtual const char* Name() const = 0;

    // The method number this object was made for.
    [[nodiscard]] uint16_t Number() const { return number_; }

    // Method objects hold up to 200 KB of tile storage, cleared when they
    // are made: their pages are had from the kernel at once rather than by a
    // page fault each on first touch.
    static void* operator new(std::size_t bytes);
    static void* operator new(std::size_t bytes, std::align_val_t alignment);
    static void operator delete(void* block) noexcept;
    static void operator delete(void* block, std::align_val_t alignment) noexcept;

protected:
    explicit DemosaicMethod(uint16_t number) : number_(number) {}

    // The checks every ProcessTile makes before touching memory.
    [[nodiscard]] bool TileFits(const RawMosaic& mosaic, uint32_t tileColumn, uint32_t tileRow,
                                uint32_t tileColumns, uint32_t tileRows) const;

private:
    uint16_t number_;
};

// Method 0 "Raw CCD Pattern", 1 "Bilinear", 7 "Luminance Grayscale"; every other
// number (8 is the usual one) "Luminance/gradient". Null when memory runs out.
[[nodiscard]] std::unique_ptr<DemosaicMethod> CreateDemosaicMethod(uint16_t methodNumber);

}  // namespace kyp
