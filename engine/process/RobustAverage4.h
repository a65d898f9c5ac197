#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace kyp {

// Average of four neighbours that leaves out the ones disagreeing with the rest.
// A value's disagreement is the sum of its distances to the other three; values
// whose disagreement is below min + (max - min) / 3 of the four disagreements
// are averaged. When that cut is at most 1000 (less than one sample unit in the
// x1024 domain of the luminance methods) or leaves nothing, all four are
// averaged. Divisions truncate toward zero, as everywhere in the engine.
// Inputs stay within about +-2^21 in the demosaic, so no sum can overflow.
[[nodiscard]] inline int32_t RobustAverage4(int32_t a, int32_t b, int32_t c, int32_t d) {
    const int32_t ab = std::abs(a - b);
    const int32_t ac = std::abs(a - c);
    const int32_t ad = std::abs(a - d);
    const int32_t bc = std::abs(b - c);
    const int32_t bd = std::abs(b - d);
    const int32_t cd = std::abs(c - d);
    const int32_t sa = ab + ac + ad;
    const int32_t sb = ab + bc + bd;
    const int32_t sc = ac + bc + cd;
    const int32_t sd = ad + bd + cd;

    const int32_t low = std::min(std::min(sa, sb), std::min(sc, sd));
    const int32_t high = std::max(std::max(sa, sb), std::max(sc, sd));
    const int32_t cut = low + (high - low) / 3;

    // Written without branches on the data: the demosaic calls this several
    // times per pixel and noise makes every branch here unpredictable. The
    // largest disagreement never lies below the cut, so at most three values
    // are kept and the divisions are by the constants 1 to 4.
    const int32_t keepA = sa < cut;
    const int32_t keepB = sb < cut;
    const int32_t keepC = sc < cut;
    const int32_t keepD = sd < cut;
    const int32_t count = keepA + keepB + keepC + keepD;
    const int32_t kept = a * keepA + b * keepB + c * keepC + d * keepD;
    const int32_t plain = (a + b + c + d) / 4;
    const int32_t robust = count == 1 ? kept : count == 2 ? kept / 2 : kept / 3;
    return cut <= 1000 || count == 0 ? plain : robust;
}

}  // namespace kyp
