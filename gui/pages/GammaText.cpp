#include "gui/pages/GammaText.h"

#include "gui/widgets/NumberEdit.h"

namespace kyp {

std::optional<double> ValidGamma(const QString& text) {
    const std::optional<double> value = ParseDecimal(text);
    if (!value || !(*value >= kGammaMinimum && *value <= kGammaMaximum)) return std::nullopt;
    return value;
}

std::string InvalidGammaMessage() {
    // Six decimals, with a '.' whatever the locale.
    return "Invalid Gamma\r\nGamma should be in the range " + QString::number(kGammaMinimum, 'f', 6).toStdString() +
           " - " + QString::number(kGammaMaximum, 'f', 6).toStdString();
}

std::string InvalidRatioMessage() {
    return "Invalid ratio.\r\nA ratio takes the form 'N/D' with integer N and D where D is not zero.";
}

}  // namespace kyp
