// The Options page's two directions: the controls into the settings
// (ApplyPage, and the checks made when a field is left) and the settings into
// the controls (ShowSettings).
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <cmath>

#include "engine/process/ProcessingSession.h"
#include "gui/frame/MainFrame.h"
#include "gui/frame/Messages.h"
#include "gui/pages/GammaText.h"
#include "gui/pages/OptionsPage.h"
#include "gui/pages/RatioText.h"
#include "gui/widgets/NumberEdit.h"

namespace kyp {

namespace {

QString RatioField(uint32_t ratio) { return QString::fromStdString(RatioText(ratio)); }

std::optional<uint32_t> ReadRatio(const QLineEdit* field) { return ParseRatio(field->text().toStdString()); }

// The gamma a settings' exponent is shown as, when it lies in the valid range.
std::optional<double> ShownGamma(float exponent) {
    if (!(exponent > 0.0f)) return std::nullopt;
    const double gamma = 1.0 / static_cast<double>(exponent);
    if (!(gamma >= kGammaMinimum && gamma <= kGammaMaximum)) return std::nullopt;
    return gamma;
}

}  // namespace

std::optional<float> OptionsPage::GammaExponentFromField() const {
    const float current = frame_.Settings().gammaExponent;
    // Untouched since it was shown, the field's one decimal stands for the exact value.
    if (const std::optional<double> shown = ShownGamma(current);
        shown && !gamma_->isModified() && gamma_->text() == gamma_->Show(*shown)) {
        return current;
    }
    const std::optional<double> gamma = ValidGamma(gamma_->text());
    if (!gamma) return std::nullopt;
    return static_cast<float>(1.0 / *gamma);
}

bool OptionsPage::FieldsValidQuietly() const {
    if (!GammaExponentFromField()) return false;
    for (const QLineEdit* field : ratio_) {
        if (!ReadRatio(field)) return false;
    }
    return true;
}

void OptionsPage::Refuse(QLineEdit* field, const std::string& message) {
    ShowMessage(this, MessageIcon::warning, message);
    field->setFocus();
    field->selectAll();
}

bool OptionsPage::ApplyPage(bool notify) {
    ImportSettings settings = frame_.Settings();

    // 1-2. Gamma (its reciprocal is the exponent) and saturation.
    const std::optional<float> exponent = GammaExponentFromField();
    if (!exponent) {
        Refuse(gamma_, InvalidGammaMessage());
        return false;
    }
    settings.gammaExponent = *exponent;
    // The other numbers never fail, but text that does not read completely as
    // a number (a point or a comma before the decimals) is not cut to the number
    // it begins with: the field says so and shows its value again.
    for (NumberEdit* field : {saturation_, hi_, lo_, threshold_}) {
        if (!field->TextValue()) {
            field->RestoreText();
            Refuse(field, field->InvalidMessage());
        }
    }
    settings.saturation = static_cast<float>(saturation_->Value());

    // 3. The scale ratios; an invalid field shows the last valid ratio again.
    uint32_t ImportSettings::* const members[3] = {&ImportSettings::redScale, &ImportSettings::greenScale,
                                                   &ImportSettings::blueScale};
    QLineEdit* firstInvalid = nullptr;
    for (int c = 0; c < 3; ++c) {
        if (const std::optional<uint32_t> ratio = ReadRatio(ratio_[c])) {
            settings.*members[c] = *ratio;
        } else {
            ratio_[c]->setText(RatioField(frame_.Settings().*members[c]));
            if (firstInvalid == nullptr) firstInvalid = ratio_[c];
        }
    }
    if (firstInvalid != nullptr) {
        Refuse(firstInvalid, InvalidRatioMessage());
        return false;
    }

    // 4. Level thresholds in per mille; negative leaves that end unclipped.
    const auto perMille = [](double percent) {
        const long value = std::lround(percent * 1000.0);
        return value < 0 ? int32_t{-1} : static_cast<int32_t>(value);
    };
    settings.darkThreshold = perMille(lo_->Value());
    settings.brightThreshold = perMille(hi_->Value());

    // 5. The option bits, afresh (grayscale has no control here and stays off).
    uint32_t options = 0;
    const struct {
        const QAbstractButton* control;
        uint32_t bit;
    } bits[] = {{fixTexture_, opt::tt},      {prompt_, opt::asktt},       {blackPoint_, opt::black},
                {cameraWb_, opt::wb},        {scale_, opt::scale},        {rawCurves_, opt::rawcurves},
                {fudge_, opt::fudge},        {matrix_, opt::matrix},      {hflip_, opt::hflip},
                {vflip_, opt::vflip},        {levels_, opt::levels},      {rgbLevels_, opt::rgblevels},
                {curves_, opt::curves},      {balanceCheck_, opt::balance}, {saturationCheck_, opt::sat},
                {sharpen_, opt::usm},        {gammaCheck_, opt::gamma},   {invert_, opt::invert}};
    for (const auto& entry : bits) {
        if (entry.control->isChecked()) options |= entry.bit;
    }
    for (uint32_t rotation = 0; rotation < 4; ++rotation) {
        if (rotation_[rotation]->isChecked()) options |= rotation << opt::rotShift;
    }
    settings.options = options;

    // 6. The texture threshold: below 1 the repair is off, above 1023 it is 1023.
    const double typed = threshold_->TextValue().value_or(0.0);
    if (typed < 1.0) {
        settings.textureThreshold = 0;
        settings.options &= ~opt::tt;
        if (typed < 0.0) threshold_->SetValue(0);
    } else if (typed > 1023.0) {
        settings.textureThreshold = 1023;
        threshold_->SetValue(1023);
    } else {
        settings.textureThreshold = static_cast<int32_t>(typed);
    }

    frame_.MutableSettings() = settings;

    // 7. Tell the frame how much of the document must be redone.
    if (notify && frame_.DocumentLoaded()) frame_.SettingsEdited();
    return true;
}

void OptionsPage::ShowSettings() {
    const ImportSettings& settings = frame_.Settings();
    gamma_->SetValue(settings.gammaExponent > 0.0f ? 1.0 / static_cast<double>(settings.gammaExponent)
                                                   : kGammaMaximum);
    lo_->SetValue(settings.darkThreshold * 0.001);
    hi_->SetValue(settings.brightThreshold * 0.001);
    threshold_->SetValue(settings.textureThreshold);
    saturation_->SetValue(settings.saturation);
    ratio_[0]->setText(RatioField(settings.redScale));
    ratio_[1]->setText(RatioField(settings.greenScale));
    ratio_[2]->setText(RatioField(settings.blueScale));
    const uint32_t options = settings.options;
    fixTexture_->setChecked((options & opt::tt) != 0);
    prompt_->setChecked((options & opt::asktt) != 0);
    blackPoint_->setChecked((options & opt::black) != 0);
    cameraWb_->setChecked((options & opt::wb) != 0);
    scale_->setChecked((options & opt::scale) != 0);
    rawCurves_->setChecked((options & opt::rawcurves) != 0);
    fudge_->setChecked((options & opt::fudge) != 0);
    matrix_->setChecked((options & opt::matrix) != 0);
    hflip_->setChecked((options & opt::hflip) != 0);
    vflip_->setChecked((options & opt::vflip) != 0);
    rotation_[settings.rotation() & 3]->setChecked(true);
    // Levels wins over RGB levels when a record has both.
    if ((options & opt::levels) != 0) {
        levels_->setChecked(true);
    } else if ((options & opt::rgblevels) != 0) {
        rgbLevels_->setChecked(true);
    } else {
        levelsNone_->setChecked(true);
    }
    curves_->setChecked((options & opt::curves) != 0);
    balanceCheck_->setChecked((options & opt::balance) != 0);
    saturationCheck_->setChecked((options & opt::sat) != 0);
    sharpen_->setChecked((options & opt::usm) != 0);
    gammaCheck_->setChecked((options & opt::gamma) != 0);
    invert_->setChecked((options & opt::invert) != 0);
    const int item = method_->findData(int{settings.method});
    if (item >= 0) method_->setCurrentIndex(item);
    // Ratios other than 1/1 do nothing without Scale: the page says so.
    const auto unit = [](uint32_t ratio) { return (ratio >> 16) == (ratio & 0xFFFFu); };
    scaleOffHint_->setVisible((options & opt::scale) == 0 &&
                              !(unit(settings.redScale) && unit(settings.greenScale) && unit(settings.blueScale)));
}

void OptionsPage::GammaLeft() {
    if (!GammaExponentFromField()) {
        ShowMessage(this, MessageIcon::warning, InvalidGammaMessage());
        const float exponent = frame_.Settings().gammaExponent;
        gamma_->SetValue(exponent > 0.0f ? 1.0 / static_cast<double>(exponent) : kGammaMaximum);
        gamma_->setFocus();
        gamma_->selectAll();
    }
    if (ApplyPage(true)) ShowSettings();
}

void OptionsPage::RatioLeft(QLineEdit* field, uint32_t ImportSettings::*ratio) {
    const bool valid = ReadRatio(field).has_value();
    if (!valid) ShowMessage(this, MessageIcon::warning, InvalidRatioMessage());
    // The field shows the last valid ratio (this field's own when it reads).
    if (!valid) {
        field->setText(RatioField(frame_.Settings().*ratio));
        field->setFocus();
        field->selectAll();
    }
    if (ApplyPage(true)) ShowSettings();
}

}  // namespace kyp
