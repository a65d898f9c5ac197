#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/process/ProcessedImage.h"
#include "engine/process/ProgressCallback.h"
#include "engine/process/ToneTable.h"

namespace kyp {

// Application of 1024-entry tone tables to image samples. Tables are passed as
// pointers to 1024 entries; a null table means identity.

// The blocks and tick rhythm of ApplyTable: units (pixels of an RGB image,
// samples otherwise) in blocks, a tick before each block after which a
// multiple of kTableBlocksPerTick blocks remain, and work handed to threads in
// at most kTableGrainBlocks blocks.
inline constexpr size_t kTableBlockUnits = 16;
inline constexpr size_t kTableBlocksPerTick = 800;
inline constexpr size_t kTableGrainBlocks = 2048;

// One table applied to runs of samples (a sample above 1023 reads entry
// 1023), sixteen lookups at a time where the processor allows. Made once per
// step, then used from any number of threads.
class ToneTableMapper {
public:
    explicit ToneTableMapper(const uint16_t* table);
    void operator()(uint16_t* samples, size_t count) const;

private:
    const uint16_t* table_;
    bool gather_ = false;
    alignas(64) uint32_t wide_[kToneTableSize];  // the entries widened for gathering
};

// Maps every sample of every channel through one table. A 3-channel image goes
// in blocks of 16 pixels, any other layout in blocks of 16 samples; with a
// callback, Tick(1) comes before each block after which a multiple of 800
// blocks remain. False when cancelled (the image is then partly mapped).
[[nodiscard]] bool ApplyTable(ProcessedImage& image, const uint16_t* table, ProgressCallback* progress);

// Whether the computed levels ramp between the two points gives every entry
// of the table (the kernel reads nothing but the clamped sample, so equal
// results for the 1024 indices mean equal results for every sample).
[[nodiscard]] bool LevelsRampMatchesTable(const uint16_t* table, uint16_t pointA, uint16_t pointB);

// ApplyTable for a table that BuildLevelsTable made from the two points, with
// the same results, blocks and ticks; the ramp is computed rather than looked
// up. Any other table is simply looked up.
[[nodiscard]] bool ApplyLevelsTable(ProcessedImage& image, const uint16_t* table, uint16_t pointA,
                                    uint16_t pointB, ProgressCallback* progress);

// Maps interleaved RGB samples (pixelCount pixels) each channel through its own
// table, in the blocks and tick rhythm of ApplyTable. False when cancelled.
[[nodiscard]] bool ApplyChannelTables(uint16_t* samples, size_t pixelCount, const uint16_t* red,
                                      const uint16_t* green, const uint16_t* blue, ProgressCallback* progress);

// Without progress, always completing: interleaved RGB samples through the
// channel tables that are present. Each combination of present tables runs its
// own kernel, so absent tables cost nothing.
void ApplyPresentChannelTables(uint16_t* samples, size_t pixelCount, const uint16_t* red, const uint16_t* green,
                               const uint16_t* blue);

// Without progress: count samples (any layout, e.g. a grey image or all the
// samples of an RGB image) through one table.
void ApplyTableToSamples(uint16_t* samples, size_t count, const uint16_t* table);

}  // namespace kyp
