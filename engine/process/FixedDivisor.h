#pragma once
#include <cstdint>

namespace kyp {

// Exact truncating division of non-negative numerators below 2^31 by one divisor d
// from 1 to 32767, as a multiply that vectorises: (n + 0.5) / d lies at least
// 0.5 / d (> 2^-17) away from every integer, while the double product errs by less
// than 2^-30 for quotients below 2^17, so truncating it gives floor(n / d).
// The convolutions use it with their kernels' weight sums.
struct FixedDivisor {
    static constexpr uint32_t kLargest = 32767;

    double reciprocal;

    explicit FixedDivisor(uint32_t divisor) : reciprocal(1.0 / divisor) {}
    [[nodiscard]] uint32_t Divide(int32_t numerator) const {
        return static_cast<uint32_t>(static_cast<int32_t>((numerator + 0.5) * reciprocal));
    }
};

}  // namespace kyp
