// .kis text into the three records, then written and read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "engine/settings/KisFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > static_cast<size_t>(std::numeric_limits<int>::max())) return 0;
    auto exact = std::make_unique<char[]>(size == 0 ? 1 : size);
    if (size) std::memcpy(exact.get(), data, size);
    kyp::ImportSettings settings;
    kyp::CurveArray curves;
    kyp::OutputSettings output;
    (void)kyp::ReadKisText(exact.get(), static_cast<int>(size), settings, curves, &output);

    // Whatever was read writes a file that reads back without error.
    const std::string text = kyp::WriteKisText(&settings, curves, &output);
    kyp::ImportSettings settings2;
    kyp::CurveArray curves2;
    kyp::OutputSettings output2;
    if (!kyp::ReadKisText(text.data(), static_cast<int>(text.size()), settings2, curves2, &output2)) std::abort();
    if (!(curves2 == curves)) std::abort();
    return 0;
}
