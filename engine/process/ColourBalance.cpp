#include "engine/process/ColourBalance.h"

#include "engine/process/TableApply.h"

namespace kyp {

void BuildColourBalanceTable(ToneTableSpan table, uint16_t target, uint16_t mean) {
    for (uint32_t i = 0; i < kToneTableSize; ++i) {
        if (mean == 0) {
            table[i] = static_cast<uint16_t>(i);
            continue;
        }
        const uint32_t v = i * target / mean;  // at most 1023 * 65535
        table[i] = static_cast<uint16_t>(v > kToneTableMax ? kToneTableMax : v);
    }
}

bool ApplyColourBalance(ProcessedImage& image, HistogramRecord& record, ToneTableSpan red, ToneTableSpan green,
                        ToneTableSpan blue, ProgressCallback* progress) {
    if (image.channels != 3 || image.samples == nullptr || image.width == 0 || image.height == 0) return true;
    if (!ComputeHistogram(image, &record, progress)) return false;
    // Means are at most 1023, so they fit the 16-bit parameters.
    const auto mean = [&](int block) { return static_cast<uint16_t>(record.blocks[block].mean); };
    const uint16_t target = mean(HistogramRecord::kLuminance);
    BuildColourBalanceTable(red, target, mean(HistogramRecord::kRed));
    BuildColourBalanceTable(green, target, mean(HistogramRecord::kGreen));
    BuildColourBalanceTable(blue, target, mean(HistogramRecord::kBlue));
    const size_t pixels = static_cast<size_t>(image.width) * image.height;
    return ApplyChannelTables(image.samples, pixels, red.data(), green.data(), blue.data(), progress);
}

}  // namespace kyp
