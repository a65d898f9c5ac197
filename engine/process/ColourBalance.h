#pragma once
#include <cstdint>

#include "engine/core/ProgressCallback.h"
#include "engine/process/Histogram.h"
#include "engine/process/ProcessedImage.h"
#include "engine/process/ToneTable.h"

namespace kyp {

// entry i = i * target / mean (truncating, limited to 1023); identity when the
// channel mean is 0. Moves the channel's mean to the target.
void BuildColourBalanceTable(ToneTableSpan table, uint16_t target, uint16_t mean);

// The whole step for an RGB image: histogram (into record) with progress, one
// table per channel aimed at the mean luminance (into the three tables), then
// ApplyChannelTables with progress. A grey image is left alone (true). False
// when the histogram fails or the callback cancels.
[[nodiscard]] bool ApplyColourBalance(ProcessedImage& image, HistogramRecord& record, ToneTableSpan red,
                                      ToneTableSpan green, ToneTableSpan blue, ProgressCallback* progress);

}  // namespace kyp
