#pragma once
#include <QString>

#include <optional>
#include <string>

namespace kyp {

// The gamma value of the Options page: shown and typed as the reciprocal of
// the settings' gamma exponent, valid from kGammaMinimum to kGammaMaximum.
inline constexpr double kGammaMinimum = 0.1;
inline constexpr double kGammaMaximum = 10.0;

// The gamma a field's text holds when it is a number within the valid range.
[[nodiscard]] std::optional<double> ValidGamma(const QString& text);

// "Invalid Gamma\r\nGamma should be in the range 0.100000 - 10.000000".
[[nodiscard]] std::string InvalidGammaMessage();

// "Invalid ratio.\r\nA ratio takes the form 'N/D' with integer N and D where D is not zero."
[[nodiscard]] std::string InvalidRatioMessage();

}  // namespace kyp
