#pragma once
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

#include "engine/settings/ImportSettings.h"
#include "gui/pages/OptionPage.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace kyp {

class MainFrame;
class MenuButton;
class NumberEdit;
class WhiteBalanceMenu;

// The Options tab: the interactive face of the import settings.
// The settings it edits are the frame's (MainFrame::MutableSettings); the
// page reads its controls into them with ApplyPage and shows them with
// ShowSettings.
//
// The page's controls, by object name:
//   fixTextureCheck "&Fix texture"        thresholdEdit "Threshold:"
//   promptCheck "Prompt before fixing"    blackPointCheck "Camera Black &Point"
//   cameraWhiteBalanceCheck "Camera &White Balance"
//   scaleCheck "S&cale:"                  whiteBalanceButton "White balance" (the white balance menu)
//   redRatioEdit "&R:"  greenRatioEdit "&G:"  blueRatioEdit "&B:"
//   rawCurvesCheck "Raw Curves"           fudgeCheck "Fudge"
//   colorMatrixCheck "Color Matri&x"      methodList "Metho&d:"
//   horizontalCheck "Hori&zontal"         verticalCheck "&Vertical"
//   rotateNoneRadio "Non&e"  rotate90CwRadio "&90° CW"
//   rotate90CcwRadio "9&0° CCW"  rotate180Radio "1&80°"
//   levelsNoneRadio "&None"  levelsRadio "&Levels"  rgbLevelsRadio "RGB"
//   hiEdit "Hi:"  loEdit "Lo:"
//   curvesCheck "C&urves"                 colorBalanceCheck "C&olor Balance"
//   saturationCheck "&Saturation:"        saturationEdit
//   sharpenCheck "S&harpen (USM)"         gammaCheck "Ga&mma:"
//   gammaEdit                              invertCheck "&Invert"
class OptionsPage : public QWidget, public OptionPage {
    Q_OBJECT
public:
    explicit OptionsPage(MainFrame& frame, QWidget* parent = nullptr);
    ~OptionsPage() override;

    // Reads the controls into the settings, in order: gamma, saturation,
    // ratios, level thresholds, option bits, texture threshold; then, with
    // notify and a document loaded, tells the frame how much must be redone.
    // False (settings unchanged, the user told, the field focused and
    // selected) when the gamma or a ratio is invalid.
    bool ApplyPage(bool notify);
    // Shows the settings in the controls.
    void ShowSettings();
    // Copies settings in, shows and applies them; on failure the defaults.
    void TakeSettings(const ImportSettings& settings);
    // Sets the three scale ratios (white balance menu), shows and applies.
    void SetRatios(uint32_t red, uint32_t green, uint32_t blue);

    [[nodiscard]] QWidget* GetWindow() override { return this; }
    void Activate(bool shown) override;
    void ResetToDefaults() override;

    [[nodiscard]] MainFrame& Frame() { return frame_; }
    [[nodiscard]] WhiteBalanceMenu* Balance() const { return balance_; }
    [[nodiscard]] QSize sizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build();
    void ConnectControls();
    void ControlClicked(QAbstractButton* button);
    void GammaLeft();
    void RatioLeft(QLineEdit* field, uint32_t ImportSettings::*ratio);
    void NumberChanged();
    // The gamma the field holds, or nothing when it is invalid. A field the
    // user has not edited since it showed the settings' own gamma gives that
    // exactly (the one decimal shown would round it).
    [[nodiscard]] std::optional<float> GammaExponentFromField() const;
    [[nodiscard]] bool FieldsValidQuietly() const;
    void Refuse(QLineEdit* field, const std::string& message);

    MainFrame& frame_;
    QCheckBox* fixTexture_ = nullptr;
    NumberEdit* threshold_ = nullptr;
    QCheckBox* prompt_ = nullptr;
    QCheckBox* blackPoint_ = nullptr;
    QCheckBox* cameraWb_ = nullptr;
    QCheckBox* scale_ = nullptr;
    MenuButton* wbButton_ = nullptr;
    QLineEdit* ratio_[3] = {nullptr, nullptr, nullptr};
    QCheckBox* rawCurves_ = nullptr;
    QCheckBox* fudge_ = nullptr;
    QCheckBox* matrix_ = nullptr;
    QComboBox* method_ = nullptr;
    QCheckBox* hflip_ = nullptr;
    QCheckBox* vflip_ = nullptr;
    QRadioButton* rotation_[4] = {nullptr, nullptr, nullptr, nullptr};  // rotation field 0..3
    QRadioButton* levelsNone_ = nullptr;
    QRadioButton* levels_ = nullptr;
    QRadioButton* rgbLevels_ = nullptr;
    NumberEdit* hi_ = nullptr;
    NumberEdit* lo_ = nullptr;
    QCheckBox* curves_ = nullptr;
    QCheckBox* balanceCheck_ = nullptr;
    QCheckBox* saturationCheck_ = nullptr;
    NumberEdit* saturation_ = nullptr;
    QCheckBox* sharpen_ = nullptr;
    QCheckBox* gammaCheck_ = nullptr;
    NumberEdit* gamma_ = nullptr;
    QCheckBox* invert_ = nullptr;
    WhiteBalanceMenu* balance_ = nullptr;
    QLabel* scaleOffHint_ = nullptr;  // shown while ratios are set that the unticked Scale leaves unused
    QPointer<QWidget> focused_;
    bool leaving_ = false;  // a field's leave handler is running (its messages move the focus)
};

}  // namespace kyp
