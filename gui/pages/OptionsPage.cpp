#include "gui/pages/OptionsPage.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "engine/settings/ImportSettings.h"
#include "gui/frame/MainFrame.h"
#include "gui/pages/BlankPage.h"
#include "gui/pages/WhiteBalanceMenu.h"
#include "gui/view/Cursors.h"
#include "gui/widgets/MenuButton.h"
#include "gui/widgets/NumberEdit.h"

namespace kyp {

namespace {

template <typename T>
T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* Label(const char* text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setBuddy(buddy);
    return label;
}

QBoxLayout* Tight(QBoxLayout* layout) {
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    return layout;
}

struct MethodItem {
    const char* text;
    uint16_t method;
};
constexpr MethodItem kMethods[] = {{"None - CCD Bayer Pattern", method::raw},
                                   {"Fast - Bilinear interpolation", method::bilinear},
                                   {"Black and White", method::grayscale},
                                   {"Best - Luminance/Gradient", method::best}};

}  // namespace

OptionsPage::OptionsPage(MainFrame& frame, QWidget* parent) : QWidget(parent), frame_(frame) {
    setObjectName(QStringLiteral("optionsPage"));
    Build();
    ConnectControls();
    ShowSettings();
    fixTexture_->setFocus();
    focused_ = fixTexture_;
}

OptionsPage::~OptionsPage() = default;

QSize OptionsPage::sizeHint() const { return QWidget::sizeHint().expandedTo(QSize(kPageWidth, kPageHeight)); }

void OptionsPage::Build() {
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(6, 6, 6, 6);
    page->setSpacing(4);

    // Raw-domain corrections.
    auto* raw = new QGroupBox(QStringLiteral("Raw data"), this);
    auto* rawRows = new QVBoxLayout(raw);
    rawRows->setSpacing(3);
    fixTexture_ = Named(new QCheckBox(QStringLiteral("&Fix texture"), raw), "fixTextureCheck");
    threshold_ = Named(new NumberEdit(1055, raw), "thresholdEdit");
    threshold_->SetName("Threshold", false);
    threshold_->Setup(0, 1023, 1, 10, 0);
    threshold_->setMaximumWidth(48);
    prompt_ = Named(new QCheckBox(QStringLiteral("Prompt before fixing"), raw), "promptCheck");
    auto* texture = Tight(new QHBoxLayout);
    texture->addWidget(fixTexture_);
    texture->addWidget(Label("Threshold:", threshold_, raw));
    texture->addWidget(threshold_);
    texture->addWidget(prompt_);
    texture->addStretch();
    rawRows->addLayout(texture);

    blackPoint_ = Named(new QCheckBox(QStringLiteral("Camera Black &Point"), raw), "blackPointCheck");
    cameraWb_ = Named(new QCheckBox(QStringLiteral("Camera &White Balance"), raw), "cameraWhiteBalanceCheck");
    auto* camera = Tight(new QHBoxLayout);
    camera->addWidget(blackPoint_);
    camera->addWidget(cameraWb_);
    camera->addStretch();
    rawRows->addLayout(camera);

    scale_ = Named(new QCheckBox(QStringLiteral("S&cale:"), raw), "scaleCheck");
    wbButton_ = Named(new MenuButton(raw), "whiteBalanceButton");
    wbButton_->setToolTip(QStringLiteral("White balance"));
    wbButton_->setAccessibleName(QStringLiteral("White balance"));
    wbButton_->setFixedSize(22, 22);
    wbButton_->setFocusPolicy(Qt::TabFocus);
    wbButton_->setCursor(WhiteBalanceCursor());
    auto* scale = Tight(new QHBoxLayout);
    scale->setSpacing(3);
    scale->addWidget(scale_);
    scale->addWidget(wbButton_);
    const char* const ratioLabels[3] = {"&R:", "&G:", "&B:"};
    const char* const ratioNames[3] = {"redRatioEdit", "greenRatioEdit", "blueRatioEdit"};
    for (int c = 0; c < 3; ++c) {
        ratio_[c] = Named(new QLineEdit(raw), ratioNames[c]);
        ratio_[c]->setMaximumWidth(62);
        scale->addWidget(Label(ratioLabels[c], ratio_[c], raw));
        scale->addWidget(ratio_[c]);
    }
    rawRows->addLayout(scale);
    scaleOffHint_ = Named(new QLabel(QStringLiteral("These ratios take effect only when Scale is ticked."), raw),
                          "scaleOffHint");
    scaleOffHint_->setWordWrap(true);
    scaleOffHint_->hide();
    rawRows->addWidget(scaleOffHint_);

    rawCurves_ = Named(new QCheckBox(QStringLiteral("Raw Curves"), raw), "rawCurvesCheck");
    fudge_ = Named(new QCheckBox(QStringLiteral("Fudge"), raw), "fudgeCheck");
    matrix_ = Named(new QCheckBox(QStringLiteral("Color Matri&x"), raw), "colorMatrixCheck");
    auto* colour = Tight(new QHBoxLayout);
    colour->addWidget(rawCurves_);
    colour->addWidget(fudge_);
    colour->addWidget(matrix_);
    colour->addStretch();
    rawRows->addLayout(colour);

    method_ = Named(new QComboBox(raw), "methodList");
    for (const MethodItem& item : kMethods) method_->addItem(QString::fromLatin1(item.text), int{item.method});
    auto* method = Tight(new QHBoxLayout);
    method->addWidget(Label("Metho&d:", method_, raw));
    method->addWidget(method_, 1);
    rawRows->addLayout(method);
    page->addWidget(raw);

    // Flip and rotation.
    auto* turn = Tight(new QHBoxLayout);
    auto* flip = new QGroupBox(QStringLiteral("Flip"), this);
    auto* flipRows = new QVBoxLayout(flip);
    flipRows->setSpacing(3);
    hflip_ = Named(new QCheckBox(QStringLiteral("Hori&zontal"), flip), "horizontalCheck");
    vflip_ = Named(new QCheckBox(QStringLiteral("&Vertical"), flip), "verticalCheck");
    flipRows->addWidget(hflip_);
    flipRows->addWidget(vflip_);
    turn->addWidget(flip);
    auto* rotate = new QGroupBox(QStringLiteral("Rotate"), this);
    auto* rotateGrid = new QGridLayout(rotate);
    rotateGrid->setSpacing(3);
    auto* rotations = new QButtonGroup(this);
    // Indexed by the rotation field: 0 none, 1 clockwise, 2 half, 3 counter-clockwise.
    rotation_[0] = Named(new QRadioButton(QStringLiteral("Non&e"), rotate), "rotateNoneRadio");
    rotation_[1] = Named(new QRadioButton(QString::fromUtf8("&90\u00B0 CW"), rotate), "rotate90CwRadio");
    rotation_[3] = Named(new QRadioButton(QString::fromUtf8("9&0\u00B0 CCW"), rotate), "rotate90CcwRadio");
    rotation_[2] = Named(new QRadioButton(QString::fromUtf8("1&80\u00B0"), rotate), "rotate180Radio");
    rotateGrid->addWidget(rotation_[0], 0, 0);
    rotateGrid->addWidget(rotation_[1], 0, 1);
    rotateGrid->addWidget(rotation_[3], 1, 0);
    rotateGrid->addWidget(rotation_[2], 1, 1);
    for (QRadioButton* button : rotation_) rotations->addButton(button);
    turn->addWidget(rotate, 1);
    page->addLayout(turn);

    // Image steps.
    auto* image = new QGroupBox(QStringLiteral("Image"), this);
    auto* imageRows = new QVBoxLayout(image);
    imageRows->setSpacing(3);
    auto* levelGroup = new QButtonGroup(this);
    levelsNone_ = Named(new QRadioButton(QStringLiteral("&None"), image), "levelsNoneRadio");
    levels_ = Named(new QRadioButton(QStringLiteral("&Levels"), image), "levelsRadio");
    rgbLevels_ = Named(new QRadioButton(QStringLiteral("RGB"), image), "rgbLevelsRadio");
    for (QRadioButton* button : {levelsNone_, levels_, rgbLevels_}) levelGroup->addButton(button);
    auto* levelRow = Tight(new QHBoxLayout);
    levelRow->addWidget(levelsNone_);
    levelRow->addWidget(levels_);
    levelRow->addWidget(rgbLevels_);
    levelRow->addStretch();
    imageRows->addLayout(levelRow);
    hi_ = Named(new NumberEdit(1005, image), "hiEdit");
    lo_ = Named(new NumberEdit(1006, image), "loEdit");
    // Down to -0.001: a negative threshold (-1 per mille) leaves that end unclipped.
    hi_->SetName("Hi", false);
    lo_->SetName("Lo", false);
    hi_->Setup(-0.001, 100, 0.001, 0.01, 3);
    lo_->Setup(-0.001, 100, 0.001, 0.01, 3);
    hi_->setMaximumWidth(64);
    lo_->setMaximumWidth(64);
    auto* thresholds = Tight(new QHBoxLayout);
    thresholds->addWidget(Label("Hi:", hi_, image));
    thresholds->addWidget(hi_);
    thresholds->addWidget(Label("Lo:", lo_, image));
    thresholds->addWidget(lo_);
    thresholds->addStretch();
    imageRows->addLayout(thresholds);

    curves_ = Named(new QCheckBox(QStringLiteral("C&urves"), image), "curvesCheck");
    balanceCheck_ = Named(new QCheckBox(QStringLiteral("C&olor Balance"), image), "colorBalanceCheck");
    saturationCheck_ = Named(new QCheckBox(QStringLiteral("&Saturation:"), image), "saturationCheck");
    saturation_ = Named(new NumberEdit(1007, image), "saturationEdit");
    saturation_->SetName("Saturation", false);
    saturation_->Setup(0, 100, 0.1, 1, 1);
    saturation_->setMaximumWidth(48);
    auto* tone = Tight(new QHBoxLayout);
    tone->addWidget(curves_);
    tone->addWidget(balanceCheck_);
    tone->addWidget(saturationCheck_);
    tone->addWidget(saturation_);
    tone->addStretch();
    imageRows->addLayout(tone);

    sharpen_ = Named(new QCheckBox(QStringLiteral("S&harpen (USM)"), image), "sharpenCheck");
    gammaCheck_ = Named(new QCheckBox(QStringLiteral("Ga&mma:"), image), "gammaCheck");
    gamma_ = Named(new NumberEdit(1001, image), "gammaEdit");
    gamma_->SetName("Gamma", false);
    gamma_->Setup(0.1, 10, 0.1, 1, 1);
    gamma_->setMaximumWidth(48);
    invert_ = Named(new QCheckBox(QStringLiteral("&Invert"), image), "invertCheck");
    auto* finish = Tight(new QHBoxLayout);
    finish->addWidget(sharpen_);
    finish->addWidget(gammaCheck_);
    finish->addWidget(gamma_);
    finish->addWidget(invert_);
    finish->addStretch();
    imageRows->addLayout(finish);
    page->addWidget(image);
    page->addStretch();

    balance_ = new WhiteBalanceMenu(*this, this);
    wbButton_->SetMenu(balance_->Menu());
}

void OptionsPage::ConnectControls() {
    const QList<QAbstractButton*> buttons = {fixTexture_, prompt_,     blackPoint_, cameraWb_,     scale_,
                                             rawCurves_,  fudge_,      matrix_,     hflip_,        vflip_,
                                             rotation_[0], rotation_[1], rotation_[2], rotation_[3], levelsNone_,
                                             levels_,     rgbLevels_,  curves_,     balanceCheck_, saturationCheck_,
                                             sharpen_,    gammaCheck_, invert_};
    for (QAbstractButton* button : buttons) {
        connect(button, &QAbstractButton::clicked, this, [this, button] { ControlClicked(button); });
    }
    connect(method_, &QComboBox::activated, this, [this](int index) {
        frame_.MutableSettings().method = static_cast<uint16_t>(method_->itemData(index).toInt());
        (void)ApplyPage(true);
    });
    for (NumberEdit* edit : {threshold_, hi_, lo_, saturation_, gamma_}) {
        connect(edit, &NumberEdit::valueChanged, this, [this] { NumberChanged(); });
    }
    for (QWidget* field : {static_cast<QWidget*>(threshold_), static_cast<QWidget*>(hi_), static_cast<QWidget*>(lo_),
                           static_cast<QWidget*>(saturation_), static_cast<QWidget*>(gamma_),
                           static_cast<QWidget*>(ratio_[0]), static_cast<QWidget*>(ratio_[1]),
                           static_cast<QWidget*>(ratio_[2])}) {
        field->installEventFilter(this);
    }
}

void OptionsPage::ControlClicked(QAbstractButton* button) {
    // Raw curves and curves exclude each other: checking one unchecks the other first.
    if (button == rawCurves_ && rawCurves_->isChecked()) curves_->setChecked(false);
    if (button == curves_ && curves_->isChecked()) rawCurves_->setChecked(false);
    if (ApplyPage(true)) ShowSettings();
}

bool OptionsPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !leaving_) {
        // The handlers' message boxes take the focus again: one at a time.
        leaving_ = true;
        if (watched == gamma_) {
            GammaLeft();
        } else if (watched == ratio_[0]) {
            RatioLeft(ratio_[0], &ImportSettings::redScale);
        } else if (watched == ratio_[1]) {
            RatioLeft(ratio_[1], &ImportSettings::greenScale);
        } else if (watched == ratio_[2]) {
            RatioLeft(ratio_[2], &ImportSettings::blueScale);
        } else if (ApplyPage(true)) {
            ShowSettings();
        }
        leaving_ = false;
    }
    return QWidget::eventFilter(watched, event);
}

void OptionsPage::NumberChanged() {
    // Typing goes through here at every key: a gamma or ratio field that does
    // not read yet waits until it is left or applied instead of interrupting.
    if (FieldsValidQuietly()) (void)ApplyPage(true);
}

void OptionsPage::TakeSettings(const ImportSettings& settings) {
    frame_.MutableSettings() = settings;
    ShowSettings();
    if (!ApplyPage(true)) {
        SetDefaults(frame_.MutableSettings());
        ShowSettings();
        (void)ApplyPage(true);
    }
}

void OptionsPage::SetRatios(uint32_t red, uint32_t green, uint32_t blue) {
    ImportSettings& settings = frame_.MutableSettings();
    settings.redScale = red;
    settings.greenScale = green;
    settings.blueScale = blue;
    ShowSettings();
    if (ApplyPage(true)) ShowSettings();
}

void OptionsPage::Activate(bool shown) {
    if (!shown) {
        QWidget* focus = QApplication::focusWidget();
        if (focus != nullptr && isAncestorOf(focus)) focused_ = focus;
        return;
    }
    if (focused_ != nullptr) focused_->setFocus();
}

void OptionsPage::ResetToDefaults() {
    SetDefaults(frame_.MutableSettings());
    ShowSettings();
    (void)ApplyPage(true);
}

}  // namespace kyp
