#include "engine/process/TableApply.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "engine/core/KernelTargets.h"
#include "engine/process/TableGather.h"
#include "engine/process/ToneTable.h"
#include "platform/Parallel.h"

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

// A table widened to 32-bit entries, for gathering sixteen at a time.
struct WideTable {
    alignas(64) uint32_t entries[kToneTableSize];
    explicit WideTable(const uint16_t* table) {
        for (uint32_t i = 0; i < kToneTableSize; ++i) entries[i] = table[i];
    }
};

#if KYP_HAVE_TARGETS
// MapSamples with AVX-512 gathers (indices clamped to 1023 like ClampTableIndex).
KYP_TARGET_AVX512 void GatherSamples(uint16_t* p, size_t count, const WideTable& wide) {
    for (size_t k = GatherTableWords(p, count, wide.entries, _mm512_setzero_si512()); k < count; ++k) {
        p[k] = static_cast<uint16_t>(wide.entries[ClampTableIndex(p[k])]);
    }
}
#endif

// MapSamples over ranges, gathering where the processor allows.
struct SampleMapper {
    const uint16_t* table;
    bool gather = false;
    alignas(64) WideTable wide;
    explicit SampleMapper(const uint16_t* t) : table(t), wide(t) {
#if KYP_HAVE_TARGETS
        gather = KernelTargetInUse() == KernelTarget::avx512;
#endif
    }
    void operator()(uint16_t* p, size_t count) const {
#if KYP_HAVE_TARGETS
        if (gather) return GatherSamples(p, count, wide);
#endif
        MapSamples(p, count, table);
    }
};

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

// The levels ramp as arithmetic: 0 below the low point, 1023 from the high
// point up, (v - low) * 1024 / (high - low) in between. The division is a
// multiply and a shift: with numerators n = (v - low) * 1024 below 2^20 and
// k = 20 + ceil(log2 d), m = ceil(2^k / d) gives floor(n * m / 2^k) = n / d,
// and n * m / 2^k = (v - low) * m / 2^(k - 10) stays inside 32 bits
// ((v - low) < 2^10, m <= 2^21 + 1).
struct LevelsRamp {
    uint32_t low = 0;         // samples below this become 0
    uint32_t high = 0;        // samples from this up become 1023
    uint32_t multiplier = 0;  // m
    uint32_t shift = 0;       // k - 10
};

LevelsRamp MakeLevelsRamp(uint16_t pointA, uint16_t pointB) {
    LevelsRamp ramp;
    ramp.low = std::min(pointA, pointB);
    ramp.high = std::max(pointA, pointB);
    if (ramp.high > ramp.low) {
        const uint32_t d = ramp.high - ramp.low;
        uint32_t bits = 0;
        while ((uint32_t{1} << bits) < d) ++bits;
        const uint32_t k = 20 + bits;
        ramp.multiplier = static_cast<uint32_t>(((uint64_t{1} << k) + d - 1) / d);
        ramp.shift = k - 10;
    }
    return ramp;
}

KYP_ALWAYS_INLINE void LevelsBody(uint16_t* __restrict p, size_t count, const LevelsRamp& ramp) {
    const uint32_t low = ramp.low, high = ramp.high, multiplier = ramp.multiplier, shift = ramp.shift;
    for (size_t k = 0; k < count; ++k) {
        const uint32_t v = ClampTableIndex(p[k]);
        const uint32_t inside = ((v - low) * multiplier) >> shift;
        p[k] = static_cast<uint16_t>(v < low ? 0u : v >= high ? uint32_t{kToneTableMax} : inside);
    }
}

KYP_KERNEL_VARIANTS(LevelsRun, LevelsBody, (uint16_t* __restrict p, size_t count, const LevelsRamp& ramp),
                    (p, count, ramp))

}  // namespace

bool LevelsRampMatchesTable(const uint16_t* table, uint16_t pointA, uint16_t pointB) {
    if (table == nullptr) return false;
    uint16_t probe[kToneTableSize];
    for (uint32_t i = 0; i < kToneTableSize; ++i) probe[i] = static_cast<uint16_t>(i);
    PickLevelsRun(KernelTargetInUse())(probe, kToneTableSize, MakeLevelsRamp(pointA, pointB));
    return std::memcmp(probe, table, sizeof probe) == 0;
}

struct SampleBand::State {
    explicit State(const uint16_t* table) : mapper(table) {}
    SampleMapper mapper;
    bool useRamp = false;
    LevelsRamp ramp;
    decltype(PickLevelsRun(KernelTarget::baseline)) rampKernel = nullptr;
};

SampleBand::SampleBand(std::shared_ptr<const State> state) : state_(std::move(state)) {}

SampleBand SampleBand::Table(const uint16_t* table) {
    return SampleBand(table == nullptr ? nullptr : std::make_shared<const State>(table));
}

SampleBand SampleBand::Levels(const uint16_t* table, uint16_t pointA, uint16_t pointB) {
    if (table == nullptr) return SampleBand(nullptr);
    auto state = std::make_shared<State>(table);
    // The arithmetic stands in for the table only when it gives every entry.
    if (LevelsRampMatchesTable(table, pointA, pointB)) {
        state->useRamp = true;
        state->ramp = MakeLevelsRamp(pointA, pointB);
        state->rampKernel = PickLevelsRun(KernelTargetInUse());
    }
    return SampleBand(std::move(state));
}

void SampleBand::operator()(uint16_t* samples, size_t count) const {
    if (!state_) return;
    if (state_->useRamp) {
        state_->rampKernel(samples, count, state_->ramp);
    } else {
        state_->mapper(samples, count);
    }
}

bool ApplyInBands(ProcessedImage& image, std::span<const BandStep> steps, ProgressCallback* progress) {
    const size_t samples = ImageSampleCount(image.channels, image.width, image.height);
    if (image.samples == nullptr || samples == 0 || steps.empty()) return true;

    // A pixel of an RGB image is one unit of work; otherwise a sample is.
    const size_t unitSamples = image.channels == 3 ? 3 : 1;
    const size_t units = samples / unitSamples;
    const size_t blockSamples = kBlockUnits * unitSamples;
    const size_t blocks = units / kBlockUnits;
    uint16_t* const p = image.samples;
    auto run = [&](uint16_t* band, size_t count) {
        for (const BandStep& step : steps) step(band, count);
    };
    if (!TickedRanges(blocks, kBlocksPerTick, CountdownPhase(blocks, kBlocksPerTick), progress, kGrainBlocks,
                      [&](size_t begin, size_t end, unsigned) {
                          run(p + begin * blockSamples, (end - begin) * blockSamples);
                      })) {
        return false;
    }
    run(p + blocks * blockSamples, (units % kBlockUnits) * unitSamples);
    return true;
}

size_t TableTicks(const ProcessedImage& image) {
    const size_t samples = ImageSampleCount(image.channels, image.width, image.height);
    if (image.samples == nullptr || samples == 0) return 0;
    const size_t blocks = samples / (image.channels == 3 ? 3 : 1) / kBlockUnits;
    // One tick before each block after which a multiple of kBlocksPerTick remain.
    return blocks == 0 ? 0 : (blocks - 1) / kBlocksPerTick + 1;
}

bool ApplyLevelsTable(ProcessedImage& image, const uint16_t* table, uint16_t pointA, uint16_t pointB,
                      ProgressCallback* progress) {
    if (table == nullptr) return true;
    const BandStep step = SampleBand::Levels(table, pointA, pointB);
    return ApplyInBands(image, std::span(&step, 1), progress);
}

bool ApplyTable(ProcessedImage& image, const uint16_t* table, ProgressCallback* progress) {
    if (table == nullptr) return true;
    const BandStep step = SampleBand::Table(table);
    return ApplyInBands(image, std::span(&step, 1), progress);
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
    const SampleMapper map(table);
    ParallelRanges(count, kGrainSamples,
                   [&](size_t begin, size_t end, unsigned) { map(samples + begin, end - begin); });
}

}  // namespace kyp
