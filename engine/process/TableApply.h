#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "engine/core/ProgressCallback.h"
#include "engine/process/BandStep.h"
#include "engine/process/ProcessedImage.h"

namespace kyp {

// Application of 1024-entry tone tables to image samples. Tables are passed as
// pointers to 1024 entries; a null table means identity.

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

// Runs the steps over the image in ApplyTable's blocks and ticks, each range
// of blocks through every step in order before the next range: the image
// crosses memory once for all of them, and each sample ends as the steps one
// after the other over the whole image would leave it. Ranges hold whole
// pixels of an RGB image. False when cancelled (the image partly done).
[[nodiscard]] bool ApplyInBands(ProcessedImage& image, std::span<const BandStep> steps, ProgressCallback* progress);
// The ticks ApplyTable and ApplyInBands make on the image when not cancelled.
[[nodiscard]] size_t TableTicks(const ProcessedImage& image);

// The work of ApplyTable or ApplyLevelsTable on a run of samples, as a
// BandStep. A null table does nothing.
class SampleBand {
public:
    [[nodiscard]] static SampleBand Table(const uint16_t* table);
    [[nodiscard]] static SampleBand Levels(const uint16_t* table, uint16_t pointA, uint16_t pointB);
    void operator()(uint16_t* samples, size_t count) const;

    struct State;

private:
    explicit SampleBand(std::shared_ptr<const State> state);
    std::shared_ptr<const State> state_;
};

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
