#include "engine/process/Levels.h"

#include <algorithm>

namespace kyp {
namespace {

// Pixels to clip for a per-mille threshold, rounded to the nearest pixel.
uint64_t ClipTarget(uint32_t total, int32_t threshold) {
    if (threshold == 0) return 1;
    return (static_cast<uint64_t>(total) * static_cast<uint64_t>(threshold) + 500) / 1000;
}

}  // namespace

LevelPoints FindLevelPoints(int block, const HistogramRecord& record, int32_t darkThreshold,
                            int32_t brightThreshold) {
    LevelPoints points;
    if (block < 0 || block > 3) return points;
    const uint32_t* bins = record.blocks[block].bins;

    // Low point: climb from 0 until the dark target is reached.
    uint32_t low = 0;
    if (darkThreshold >= 0) {
        const uint64_t target = ClipTarget(record.total, darkThreshold);
        uint64_t sum = 0;
        low = kToneTableSize;
        for (uint32_t v = 0; v < kToneTableSize; ++v) {
            sum += bins[v];
            if (sum >= target) {
                low = v;
                break;
            }
        }
    }

    // High point: descend from 1023, stopping at the low point.
    uint32_t high = kToneTableMax;
    if (brightThreshold >= 0 && low < kToneTableMax) {
        const uint64_t target = ClipTarget(record.total, brightThreshold);
        uint64_t sum = 0;
        high = low;
        for (uint32_t v = kToneTableMax; v > low; --v) {
            sum += bins[v];
            if (sum >= target) {
                high = v;
                break;
            }
        }
    }

    points.low = static_cast<uint16_t>(low);
    points.high = static_cast<uint16_t>(high);
    return points;
}

void BuildLevelsTable(ToneTableSpan table, uint16_t pointA, uint16_t pointB) {
    const uint32_t lo = std::min(pointA, pointB);
    const uint32_t hi = std::max(pointA, pointB);
    const uint32_t size = kToneTableSize;
    const uint32_t rampStart = std::min(lo, size);
    const uint32_t rampEnd = std::min(hi, size);

    for (uint32_t i = 0; i < rampStart; ++i) table[i] = 0;
    for (uint32_t v = rampStart; v < rampEnd; ++v) {
        // (i * 1024) / (hi - lo) with i < hi - lo never exceeds 1023.
        table[v] = static_cast<uint16_t>((v - lo) * 1024u / (hi - lo));
    }
    for (uint32_t i = rampEnd; i < size; ++i) table[i] = kToneTableMax;
}

}  // namespace kyp
