#include "engine/process/RawCorrections.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>

#include "engine/core/KernelTargets.h"
#include "engine/process/TableGather.h"
#include "platform/Parallel.h"

namespace kyp {
namespace {

// Ticks of the raw table pass: one per 100 blocks of 16 samples on the master
// path, one per 100 rows on the channel path.
constexpr size_t kBlockSamples = 16;
constexpr size_t kBlocksPerTick = 100;
constexpr uint32_t kRowsPerTick = 100;
// Units of work handed to a thread: samples of the master path, rows otherwise.
constexpr size_t kGrainBlocks = 4096;
constexpr size_t kGrainSamples = 65536;

uint16_t Multiplier(uint32_t ratio) { return static_cast<uint16_t>(ratio >> 16); }
uint16_t Divisor(uint32_t ratio) { return static_cast<uint16_t>(ratio & 0xFFFF); }

// Maps the sites of one row whose even columns use evenTable and odd columns
// oddTable; a null table leaves its sites alone.
void MapRow(uint16_t* row, uint32_t width, const uint16_t* evenTable, const uint16_t* oddTable) {
    if (evenTable != nullptr && oddTable != nullptr) {
        uint32_t x = 0;
        for (; x + 1 < width; x += 2) {
            row[x] = evenTable[ClampTableIndex(row[x])];
            row[x + 1] = oddTable[ClampTableIndex(row[x + 1])];
        }
        if (x < width) row[x] = evenTable[ClampTableIndex(row[x])];
    } else if (evenTable != nullptr) {
        for (uint32_t x = 0; x < width; x += 2) row[x] = evenTable[ClampTableIndex(row[x])];
    } else if (oddTable != nullptr) {
        for (uint32_t x = 1; x < width; x += 2) row[x] = oddTable[ClampTableIndex(row[x])];
    }
}

// The even and odd columns' tables of a row side by side, widened to 32-bit
// entries: sample v of column x is entries[(x & 1) * 1024 + min(v, 1023)].
struct RowTables {
    alignas(64) uint32_t entries[2 * kToneTableSize];
    RowTables(const uint16_t* evenTable, const uint16_t* oddTable) {
        for (uint32_t i = 0; i < kToneTableSize; ++i) {
            entries[i] = evenTable[i];
            entries[kToneTableSize + i] = oddTable[i];
        }
    }
};

#if KYP_HAVE_TARGETS
// MapRow with both tables, sixteen sites at a time with AVX-512 gathers.
KYP_TARGET_AVX512 void GatherRow(uint16_t* row, uint32_t width, const RowTables& tables) {
    const __m512i oddColumns = _mm512_set_epi32(1024, 0, 1024, 0, 1024, 0, 1024, 0, 1024, 0, 1024, 0, 1024, 0, 1024, 0);
    for (size_t x = GatherTableWords(row, width, tables.entries, oddColumns); x < width; ++x) {
        row[x] = static_cast<uint16_t>(tables.entries[(x & 1) * kToneTableSize + ClampTableIndex(row[x])]);
    }
}
#endif

// table = curve(table) when the table exists, else a copy of the curve.
void ComposeCurve(uint16_t* table, bool built, const uint16_t* curve) {
    for (uint32_t i = 0; i < kToneTableSize; ++i) {
        const uint32_t in = built ? ClampTableIndex(table[i]) : i;
        table[i] = static_cast<uint16_t>(ClampTableIndex(curve[in]));
    }
}

}  // namespace

void SubtractBlackPoint(RawMosaic& mosaic, std::span<const uint16_t, 4> black) {
    if (mosaic.samples == nullptr) return;
    const uint32_t width = mosaic.width;
    const uint16_t levels[4] = {black[0], black[1], black[2], black[3]};
    ParallelRanges(mosaic.height, std::max<size_t>(1, kGrainSamples / std::max<uint32_t>(width, 1)),
                   [&](size_t first, size_t end, unsigned) {
                       for (size_t y = first; y < end; ++y) {
                           uint16_t* row = mosaic.samples + y * width;
                           const uint16_t even = levels[2 * (y & 1)];
                           const uint16_t odd = levels[2 * (y & 1) + 1];
                           uint32_t x = 0;
                           for (; x + 1 < width; x += 2) {
                               row[x] = static_cast<uint16_t>(row[x] > even ? row[x] - even : 0);
                               row[x + 1] = static_cast<uint16_t>(row[x + 1] > odd ? row[x + 1] - odd : 0);
                           }
                           if (x < width) row[x] = static_cast<uint16_t>(row[x] > even ? row[x] - even : 0);
                       }
                   });
}

void ScaleTable(std::span<uint16_t> table, bool fresh, uint16_t multiplier, uint16_t divisor) {
    if (divisor == 0) {
        // A ratio without a divisor means "unchanged"; still honour the clamp
        // and the fresh start.
        multiplier = 1;
        divisor = 1;
    }
    for (size_t i = 0; i < table.size(); ++i) {
        const uint64_t in = fresh ? i : table[i];
        const uint64_t out = in * multiplier / divisor;
        table[i] = static_cast<uint16_t>(out > kToneTableMax ? kToneTableMax : out);
    }
}

void BuildRawTables(const ImportSettings& settings, const uint16_t* const curves[4], uint16_t redBalance,
                    uint16_t blueBalance, RawTables& tables) {
    const uint32_t options = settings.options;
    bool built[4] = {false, false, false, false};
    auto scale = [&](int channel, uint16_t multiplier, uint16_t divisor) {
        ScaleTable(tables.storage[channel], !built[channel], multiplier, divisor);
        built[channel] = true;
    };

    // 1. Camera white balance, relative to green.
    if ((options & opt::wb) != 0) {
        scale(RawTables::kRed, redBalance, 256);
        scale(RawTables::kBlue, blueBalance, 256);
    }
    // 2. Fixed colour correction factors.
    if ((options & opt::fudge) != 0) {
        scale(RawTables::kRed, kFudgeRed, 256);
        scale(RawTables::kGreen, kFudgeGreen, 256);
        scale(RawTables::kBlue, kFudgeBlue, 256);
    }
    // 3. User's scale ratios; equal numbers (and a missing divisor) mean 1/1.
    if ((options & opt::scale) != 0) {
        const uint32_t ratios[3] = {settings.redScale, settings.greenScale, settings.blueScale};
        for (int c = 0; c < 3; ++c) {
            const uint16_t m = Multiplier(ratios[c]);
            const uint16_t d = Divisor(ratios[c]);
            if (m != d && d != 0) scale(RawTables::kRed + c, m, d);
        }
    }
    // 4. Raw curves: each channel's own curve, then the master curve on top.
    if ((options & opt::rawcurves) != 0 && curves != nullptr) {
        for (int c = RawTables::kRed; c <= RawTables::kBlue; ++c) {
            if (curves[c] == nullptr) continue;
            ComposeCurve(tables.storage[c], built[c], curves[c]);
            built[c] = true;
        }
        if (const uint16_t* master = curves[RawTables::kMaster]; master != nullptr) {
            if (built[RawTables::kRed] || built[RawTables::kGreen] || built[RawTables::kBlue]) {
                for (int c = RawTables::kRed; c <= RawTables::kBlue; ++c) {
                    ComposeCurve(tables.storage[c], built[c], master);
                    built[c] = true;
                }
            } else {
                ComposeCurve(tables.storage[RawTables::kMaster], false, master);
                built[RawTables::kMaster] = true;
            }
        }
    }
    // 5. Whatever was not built stays identity.
    for (int t = 0; t < 4; ++t) tables.table[t] = built[t] ? tables.storage[t] : nullptr;
}

bool ApplyRawTables(RawMosaic& mosaic, const RawTables& tables, ProgressCallback* progress) {
    if (mosaic.samples == nullptr) return true;
    const uint32_t width = mosaic.width;
    const uint32_t height = mosaic.height;

    if (const uint16_t* master = tables.table[RawTables::kMaster]; master != nullptr) {
        const size_t count = static_cast<size_t>(width) * height;
        const size_t blocks = count / kBlockSamples;
        uint16_t* const samples = mosaic.samples;
        // Gathered where the processor allows: the master table on both sides.
        std::unique_ptr<RowTables> both;
#if KYP_HAVE_TARGETS
        if (KernelTargetInUse() == KernelTarget::avx512) both.reset(new (std::nothrow) RowTables(master, master));
#endif
        if (!TickedRanges(blocks, kBlocksPerTick, CountdownPhase(blocks, kBlocksPerTick), progress, kGrainBlocks,
                          [&](size_t first, size_t end, unsigned) {
#if KYP_HAVE_TARGETS
                              if (both) {
                                  GatherRow(samples + first * kBlockSamples,
                                            static_cast<uint32_t>((end - first) * kBlockSamples), *both);
                                  return;
                              }
#endif
                              uint16_t* __restrict p = samples;
                              for (size_t i = first * kBlockSamples; i < end * kBlockSamples; ++i) {
                                  p[i] = master[ClampTableIndex(p[i])];
                              }
                          })) {
            return false;
        }
        for (size_t i = blocks * kBlockSamples; i < count; ++i) samples[i] = master[ClampTableIndex(samples[i])];
        return true;
    }

    const uint16_t* red = tables.table[RawTables::kRed];
    const uint16_t* green = tables.table[RawTables::kGreen];
    const uint16_t* blue = tables.table[RawTables::kBlue];
    if (red == nullptr && green == nullptr && blue == nullptr) return true;

    // Even rows alternate red and green sites, odd rows green and blue. With
    // all three tables the rows are gathered where the processor allows.
    std::unique_ptr<RowTables> evenRows, oddRows;
#if KYP_HAVE_TARGETS
    if (KernelTargetInUse() == KernelTarget::avx512 && red && green && blue) {
        evenRows.reset(new (std::nothrow) RowTables(red, green));
        oddRows.reset(new (std::nothrow) RowTables(green, blue));
        if (!oddRows) evenRows.reset();  // no memory for them: table by table
    }
#endif
    return TickedRanges(height, kRowsPerTick, 0, progress,
                        std::max<size_t>(1, kGrainSamples / std::max<uint32_t>(width, 1)),
                        [&](size_t first, size_t end, unsigned) {
                            for (size_t y = first; y < end; ++y) {
                                uint16_t* row = mosaic.samples + y * width;
#if KYP_HAVE_TARGETS
                                if (evenRows) {
                                    GatherRow(row, width, (y & 1) == 0 ? *evenRows : *oddRows);
                                    continue;
                                }
#endif
                                if ((y & 1) == 0) {
                                    MapRow(row, width, red, green);
                                } else {
                                    MapRow(row, width, green, blue);
                                }
                            }
                        });
}

void ApplyRgbBalance(ProcessedImage& image, uint16_t red, uint16_t green, uint16_t blue) {
    if (image.channels != 3 || image.samples == nullptr) return;
    const size_t pixels = static_cast<size_t>(image.width) * image.height;
    uint16_t* p = image.samples;
    auto balance = [](uint16_t sample, uint32_t factor) {
        const uint32_t v = ClampTableIndex(sample) * factor / 256;
        return static_cast<uint16_t>(v > kToneTableMax ? kToneTableMax : v);
    };
    for (size_t i = 0; i < pixels; ++i, p += 3) {
        p[0] = balance(p[0], red);
        p[1] = balance(p[1], green);
        p[2] = balance(p[2], blue);
    }
}

}  // namespace kyp
