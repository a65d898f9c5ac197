#include "engine/process/TableApply.h"

#include "engine/process/Parallel.h"
#include "engine/process/ToneTable.h"

namespace kyp {
namespace {

constexpr size_t kBlockUnits = 16;  // pixels of an RGB image, samples otherwise
constexpr size_t kBlocksPerTick = 800;
// Blocks per unit of work handed to a thread (without progress; with it, a
// unit also ends at every tick).
constexpr size_t kGrainBlocks = 2048;
// Samples per unit of work of the kernels without progress.
constexpr size_t kGrainSamples = 49152;

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
    const size_t blocks = units / kBlockUnits;
    uint16_t* const p = image.samples;
    if (!TickedRanges(blocks, kBlocksPerTick, CountdownPhase(blocks, kBlocksPerTick), progress, kGrainBlocks,
                      [&](size_t begin, size_t end, unsigned) {
                          MapSamples(p + begin * blockSamples, (end - begin) * blockSamples, table);
                      })) {
        return false;
    }
    MapSamples(p + blocks * blockSamples, (units % kBlockUnits) * unitSamples, table);
    return true;
}

bool ApplyChannelTables(uint16_t* samples, size_t pixelCount, const uint16_t* red, const uint16_t* green,
                        const uint16_t* blue, ProgressCallback* progress) {
    if (samples == nullptr) return true;
    if (red == nullptr) red = kIdentity.entries;
    if (green == nullptr) green = kIdentity.entries;
    if (blue == nullptr) blue = kIdentity.entries;

    const size_t blocks = pixelCount / kBlockUnits;
    if (!TickedRanges(blocks, kBlocksPerTick, CountdownPhase(blocks, kBlocksPerTick), progress, kGrainBlocks,
                      [&](size_t begin, size_t end, unsigned) {
                          MapPixels(samples + begin * 3 * kBlockUnits, (end - begin) * kBlockUnits, red, green,
                                    blue);
                      })) {
        return false;
    }
    MapPixels(samples + blocks * 3 * kBlockUnits, pixelCount % kBlockUnits, red, green, blue);
    return true;
}

void ApplyPresentChannelTables(uint16_t* samples, size_t pixelCount, const uint16_t* red, const uint16_t* green,
                               const uint16_t* blue) {
    if (samples == nullptr) return;
    const int present = (red != nullptr ? 4 : 0) | (green != nullptr ? 2 : 0) | (blue != nullptr ? 1 : 0);
    auto kernel = MapPresent<true, true, true>;
    switch (present) {
        case 4: kernel = MapPresent<true, false, false>; break;
        case 2: kernel = MapPresent<false, true, false>; break;
        case 1: kernel = MapPresent<false, false, true>; break;
        case 6: kernel = MapPresent<true, true, false>; break;
        case 5: kernel = MapPresent<true, false, true>; break;
        case 3: kernel = MapPresent<false, true, true>; break;
        case 7: break;
        default: return;  // no table: nothing to do
    }
    ParallelRanges(pixelCount, kGrainSamples / 3, [&](size_t begin, size_t end, unsigned) {
        kernel(samples + 3 * begin, end - begin, red, green, blue);
    });
}

void ApplyTableToSamples(uint16_t* samples, size_t count, const uint16_t* table) {
    if (samples == nullptr || table == nullptr) return;
    ParallelRanges(count, kGrainSamples,
                   [&](size_t begin, size_t end, unsigned) { MapSamples(samples + begin, end - begin, table); });
}

}  // namespace kyp
