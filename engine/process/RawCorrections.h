#pragma once
#include <cstdint>
#include <span>

#include "engine/core/ProgressCallback.h"
#include "engine/process/ProcessedImage.h"
#include "engine/process/ToneTable.h"
#include "engine/raw/RawMosaic.h"
#include "engine/settings/ImportSettings.h"

namespace kyp {

// Corrections on the sensor mosaic before demosaicing: the optical black
// point, and one table pass that folds camera white balance, the fixed fudge
// factors, the user's scale ratios and the raw curves together.

// The folded tables of one run. A null pointer means identity. When the master
// table is in force no channel table is, and the other way round.
struct RawTables {
    enum Index { kMaster = 0, kRed = 1, kGreen = 2, kBlue = 3 };
    const uint16_t* table[4] = {nullptr, nullptr, nullptr, nullptr};
    uint16_t storage[4][kToneTableSize] = {};
};

// Fixed per-channel correction factors of the `fudge` option, in 1/256.
inline constexpr uint16_t kFudgeRed = 250;
inline constexpr uint16_t kFudgeGreen = 268;
inline constexpr uint16_t kFudgeBlue = 252;

// sample -= black[(x & 1) + 2 * (y & 1)], stopping at 0. The four levels are
// the camera's: red site, green site of an even row, green of an odd row, blue.
void SubtractBlackPoint(RawMosaic& mosaic, std::span<const uint16_t, 4> black);

// fresh: entry i = i * multiplier / divisor; otherwise entry i = entry i *
// multiplier / divisor. Integer, truncating, products in 64 bits, every entry
// limited to 1023. A divisor of 0 is taken as the ratio 1/1.
void ScaleTable(std::span<uint16_t> table, bool fresh, uint16_t multiplier, uint16_t divisor);

// Builds the tables for the `wb`, `fudge`, `scale` and `rawcurves` bits of
// settings.options, in that order, each step clamping to 1023. curves holds the
// master, red, green and blue curve tables (1024 entries each, null = identity);
// curves itself may be null. redBalance and blueBalance are in 1/256.
void BuildRawTables(const ImportSettings& settings, const uint16_t* const curves[4], uint16_t redBalance,
                    uint16_t blueBalance, RawTables& tables);

// Maps every site through the table of its colour (or the master table).
// Master path: blocks of 16 samples, Tick(1) before each block after which a
// multiple of 100 blocks remain. Channel path: Tick(1) before every 100th row.
// False when the progress callback cancels; the mosaic is then partly mapped.
[[nodiscard]] bool ApplyRawTables(RawMosaic& mosaic, const RawTables& tables, ProgressCallback* progress);

// Quick white balance of a 3-channel image: channel = channel * factor / 256,
// truncating, limited to 1023. Other channel counts are left alone.
void ApplyRgbBalance(ProcessedImage& image, uint16_t red, uint16_t green, uint16_t blue);

}  // namespace kyp
