#include "engine/process/TableApply.h"

#include "engine/process/ToneTable.h"

namespace kyp {
namespace {

constexpr size_t kBlockUnits = 16;  // pixels of an RGB image, samples otherwise
constexpr size_t kBlocksPerTick = 800;

// Identity table for channels without one in the progress-reporting kernel.
struct IdentityTable {
    uint16_t entries[kToneTableSize];
    constexpr IdentityTable() : entries() {
        for (uint32_t i = 0; i < kToneTableSize; ++i) entries[i] = static_cast<uint16_t>(i);
    }
};
constexpr IdentityTable kIdentity;

inline void MapSamples(uint16_t* p, size_t count, const uint16_t* table) {
    for (size_t k = 0; k < count; ++k) p[k] = table[ClampTableIndex(p[k])];
}

inline void MapPixels(uint16_t* p, size_t pixels, const uint16_t* red, const uint16_t* green,
                      const uint16_t* blue) {
    for (size_t k = 0; k < pixels; ++k, p += 3) {
        p[0] = red[ClampTableIndex(p[0])];
        p[1] = green[ClampTableIndex(p[1])];
        p[2] = blue[ClampTableIndex(p[2])];
    }
}

// One kernel per combination of present tables: the flags are compile-time,
// so an absent channel is not touched at all.
template <bool kRed, bool kGreen, bool kBlue>
void MapPresent(uint16_t* p, size_t pixels, const uint16_t* red, const uint16_t* green, const uint16_t* blue) {
    for (size_t k = 0; k < pixels; ++k, p += 3) {
        if constexpr (kRed) p[0] = red[ClampTableIndex(p[0])];
        if constexpr (kGreen) p[1] = green[ClampTableIndex(p[1])];
        if constexpr (kBlue) p[2] = blue[ClampTableIndex(p[2])];
    }
}

}  // namespace

bool ApplyTable(ProcessedImage& image, const uint16_t* table, ProgressCallback* progress) {
    const size_t samples = ImageSampleCount(image.channels, image.width, image.height);
    if (table == nullptr || image.samples == nullptr || samples == 0) return true;

    // A pixel of an RGB image is one unit of work; otherwise a sample is.
    const size_t unitSamples = image.channels == 3 ? 3 : 1;
    const size_t units = samples / unitSamples;
    const size_t blockSamples = kBlockUnits * unitSamples;
    uint16_t* p = image.samples;
    for (size_t left = units / kBlockUnits; left-- > 0; p += blockSamples) {
        if (progress != nullptr && left % kBlocksPerTick == 0 && !progress->Tick(1)) return false;
        MapSamples(p, blockSamples, table);
    }
    MapSamples(p, (units % kBlockUnits) * unitSamples, table);
    return true;
}

bool ApplyChannelTables(uint16_t* samples, size_t pixelCount, const uint16_t* red, const uint16_t* green,
                        const uint16_t* blue, ProgressCallback* progress) {
    if (samples == nullptr) return true;
    if (red == nullptr) red = kIdentity.entries;
    if (green == nullptr) green = kIdentity.entries;
    if (blue == nullptr) blue = kIdentity.entries;

    uint16_t* p = samples;
    for (size_t left = pixelCount / kBlockUnits; left-- > 0; p += 3 * kBlockUnits) {
        if (progress != nullptr && left % kBlocksPerTick == 0 && !progress->Tick(1)) return false;
        MapPixels(p, kBlockUnits, red, green, blue);
    }
    MapPixels(p, pixelCount % kBlockUnits, red, green, blue);
    return true;
}

void ApplyPresentChannelTables(uint16_t* samples, size_t pixelCount, const uint16_t* red, const uint16_t* green,
                               const uint16_t* blue) {
    if (samples == nullptr) return;
    const int present = (red != nullptr ? 4 : 0) | (green != nullptr ? 2 : 0) | (blue != nullptr ? 1 : 0);
    switch (present) {
        case 4: MapPresent<true, false, false>(samples, pixelCount, red, green, blue); break;
        case 2: MapPresent<false, true, false>(samples, pixelCount, red, green, blue); break;
        case 1: MapPresent<false, false, true>(samples, pixelCount, red, green, blue); break;
        case 6: MapPresent<true, true, false>(samples, pixelCount, red, green, blue); break;
        case 5: MapPresent<true, false, true>(samples, pixelCount, red, green, blue); break;
        case 3: MapPresent<false, true, true>(samples, pixelCount, red, green, blue); break;
        case 7: MapPresent<true, true, true>(samples, pixelCount, red, green, blue); break;
        default: break;  // no table: nothing to do
    }
}

void ApplyTableToSamples(uint16_t* samples, size_t count, const uint16_t* table) {
    if (samples == nullptr || table == nullptr) return;
    MapSamples(samples, count, table);
}

}  // namespace kyp
