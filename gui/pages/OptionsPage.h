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

// The Options tab (dialog 111): the interactive face of the import settings.
// The settings it edits are the frame's (MainFrame::MutableSettings); the
// page reads its controls into them with ApplyPage and shows them with
// ShowSettings.
//
// Controls of dialog 111, by object name:
//   1056 fixTextureCheck "&Fix texture"        1055 thresholdEdit "Threshold:"
//   1057 promptCheck "Prompt before fixing"    1103 blackPointCheck "Camera Black &Point"
//   1067 cameraWhiteBalanceCheck "Camera &White Balance"
//   1019 scaleCheck "S&cale:"                  1068 whiteBalanceButton "White balance" (menu 124)
//   1016 redRatioEdit "&R:"  1017 greenRatioEdit "&G:"  1018 blueRatioEdit "&B:"
//   1012 rawCurvesCheck "Raw Curves"           1118 fudgeCheck "Fudge"
//   1078 colorMatrixCheck "Color Matri&x"      1053 methodList "Metho&d:"
//   1065 horizontalCheck "Hori&zontal"         1066 verticalCheck "&Vertical"
//   1061 rotateNoneRadio "Non&e"  1062 rotate90CwRadio "&90° CW"
//   1063 rotate90CcwRadio "9&0° CCW"  1064 rotate180Radio "1&80°"
//   1002 levelsNoneRadio "&None"  1003 levelsRadio "&Levels"  1004 rgbLevelsRadio "RGB"
//   1005 hiEdit "Hi:"  1006 loEdit "Lo:"
//   1013 curvesCheck "C&urves"                 1009 colorBalanceCheck "C&olor Balance"
//   1133 saturationCheck "&Saturation:"        1007 saturationEdit
//   1075 sharpenCheck "S&harpen (USM)"         1000 gammaCheck "Ga&mma:"
//   1001 gammaEdit                              1008 invertCheck "&Invert"
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
