#include "engine/process/GammaTable.h"

#include <cmath>

#include "engine/settings/ImportSettings.h"

namespace kyp {
namespace {

// Rec. 709 transfer: 1.099 x^g - 0.099, with a linear segment (slope 4.5) below 0.018
// that is used only for the standard exponent and smaller ones.
double Transfer(double x, double exponent, bool linearToe) {
    if (linearToe && x < 0.018) return 4.5 * x;
    return 1.099 * std::pow(x, exponent) - 0.099;
}

// The standard exponent, every smaller one and those up to 0.001 above it. The
// float constant lies 1.2e-8 under 0.45, and no float lies in the 1.2e-8 under
// 0.451, so the cut falls between the same two floats as with 0.45 itself.
bool HasLinearToe(float exponent) {
    return static_cast<double>(exponent) - static_cast<double>(kDefaultGammaExponent) <= 0.001;
}

// floor(top * v + 0.5) limited to 0..top; NaN (a NaN exponent) counts as 0.
uint32_t Quantise(double v, uint32_t top) {
    const double scaled = std::floor(top * v + 0.5);
    if (!(scaled > 0)) return 0;
    if (scaled > top) return top;
    return static_cast<uint32_t>(scaled);
}

}  // namespace

void BuildGammaTable(ToneTableSpan table, float exponent) {
    const bool toe = HasLinearToe(exponent);
    for (uint32_t i = 0; i < kToneTableSize; ++i) {
        const double x = i / 1024.0;
        table[i] = static_cast<uint16_t>(Quantise(Transfer(x, exponent, toe), kToneTableMax));
    }
}

void BuildGammaTable8(std::span<uint8_t, 256> table, float exponent) {
    const bool toe = HasLinearToe(exponent);
    for (uint32_t i = 0; i < 256; ++i) {
        const double x = i / 256.0;
        table[i] = static_cast<uint8_t>(Quantise(Transfer(x, exponent, toe), 255));
    }
}

}  // namespace kyp
