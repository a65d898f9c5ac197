#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

#include "engine/core/ProgressCallback.h"
#include "engine/raw/RawMosaic.h"
#include "engine/settings/ImportSettings.h"

namespace kyp {

// Some sensors record the greens on red rows and the greens on blue rows with
// slightly different sensitivity; demosaicing turns that into a fine maze. These
// functions measure the difference on part of the mosaic and, past a threshold,
// rebuild one green phase from the diagonal greens of the other.

// Result codes of the texture step.
namespace texture {
inline constexpr int kCancelled = -2;  // the progress callback answered false
inline constexpr int kOff = -1;        // settings given with the tt bit clear
inline constexpr int kNoDefect = 0;    // |measure| within the threshold
inline constexpr int kDeclined = 1;    // defect found, confirmation said no
inline constexpr int kRepaired = 2;
}  // namespace texture

// Threshold used when no settings are given.
inline constexpr int32_t kDefaultTextureThreshold = 6;

// Asked before a repair (when the settings carry asktt, or no settings are given):
// (measure, threshold) -> true to repair. An empty function means "do not ask".
using TextureConfirmation = std::function<bool(int32_t measure, int32_t threshold)>;

// The whole step: measures the top-left width/3 x height/3 region and repairs the
// brighter or darker green phase. settings, progress and confirm may be absent.
// Returns one of texture::k*.
[[nodiscard]] int RepairTextureDefect(const RawMosaic& mosaic, const ImportSettings* settings,
                                      ProgressCallback* progress, const TextureConfirmation& confirm);

// Average green level of odd rows minus that of even rows over the first `columns`
// columns of the first `rows` rows (both limited to the mosaic). Stores the measure in
// *measure when given. Returns 1 when |measure| > threshold, 0 when not, -2 when
// cancelled. A region too small to average (fewer than 2 columns or rows) measures 0.
[[nodiscard]] int MeasureTextureDefect(const RawMosaic& mosaic, uint32_t columns, uint32_t rows,
                                       int32_t threshold, int32_t* measure, ProgressCallback* progress);

// Replaces the greens of even rows (phase 0) or of odd rows (phase 1; any other
// non-zero value too) by EstimateGreenFromDiagonals. The border rows and columns
// are never touched.
// Returns 2 when done, -2 when cancelled (rows before the cancellation stay repaired).
[[nodiscard]] int CorrectTextureDefect(const RawMosaic& mosaic, int phase, ProgressCallback* progress);

// Replacement for the green at `site` from its four diagonal neighbours; `site` must
// not lie on the mosaic's border. rowLength is the mosaic's width in samples.
[[nodiscard]] uint16_t EstimateGreenFromDiagonals(const uint16_t* site, size_t rowLength);

}  // namespace kyp
