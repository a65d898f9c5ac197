#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace kyp {

// The text form of a scale ratio (multiplier in the high 16 bits, divisor in
// the low 16 bits) on the Options page: "N/D".
[[nodiscard]] std::string RatioText(uint32_t ratio);

// Reads a ratio field. The first number is read with automatic base (0x...
// hexadecimal, 0... octal, else decimal); without one the text is invalid.
// Characters up to the next digit, '+' or '-' are skipped; when none follows
// the divisor is 1, otherwise a second number must follow and be nonzero.
// Both numbers must fit the 16 bits they are kept in (0 to 65535): a negative
// or larger number, which the ratio cannot hold, makes the text invalid.
[[nodiscard]] std::optional<uint32_t> ParseRatio(const std::string& text);

}  // namespace kyp
