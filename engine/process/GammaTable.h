#pragma once
#include <cstdint>
#include <span>

#include "engine/process/ToneTable.h"

namespace kyp {

// Transfer curve v(x) = 1.099 x^g - 0.099; for exponents up to 0.451 (0.45 and
// below) it has the Rec. 709 linear toe v = 4.5 x below x = 0.018. Entry i is
// floor(1023 v(i / 1024) + 0.5) limited to 0..1023.
void BuildGammaTable(ToneTableSpan table, float exponent);

// The same curve for 8-bit display: x = i / 256, entry floor(255 v + 0.5)
// limited to 0..255.
void BuildGammaTable8(std::span<uint8_t, 256> table, float exponent);

}  // namespace kyp
