#pragma once
#include <cstdint>

#include "engine/process/Histogram.h"
#include "engine/process/ToneTable.h"

namespace kyp {

// Level points of one histogram block: the sample values that the levels
// table maps to 0 and to 1023.
struct LevelPoints {
    uint16_t low = 0;
    uint16_t high = kToneTableMax;
};

// Thresholds are per mille of the record's total: a negative one leaves that
// end unclipped, 0 stops at the first occupied value, any other t clips
// (total * t + 500) / 1000 pixels. The low point is the first value at which
// the running count from 0 reaches its target (1024 when it never does); the
// high point searches down from 1023 but never below the low point.
// Block numbers outside 0..3 give the unclipped points 0 and 1023.
[[nodiscard]] LevelPoints FindLevelPoints(int block, const HistogramRecord& record, int32_t darkThreshold,
                                          int32_t brightThreshold);

// Linear stretch between the two points (taken in either order): 0 below the
// lower, (i * 1024) / (hi - lo) from it, 1023 from the higher one. Equal points
// give a hard threshold.
void BuildLevelsTable(ToneTableSpan table, uint16_t pointA, uint16_t pointB);

}  // namespace kyp
