#include "gui/pages/SharpenPage.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <qdrawutil.h>

#include "gui/frame/MainFrame.h"
#include "gui/pages/BlankPage.h"
#include "gui/pages/SharpenPreview.h"
#include "gui/view/Cursors.h"
#include "gui/view/ImageArea.h"
#include "gui/widgets/NumberEdit.h"

namespace kyp {

namespace {
constexpr int kAmountId = 1074;
constexpr int kRadiusId = 1075;
constexpr int kThresholdId = 1076;
}  // namespace

SharpenPage::SharpenPage(MainFrame& frame, QWidget* parent) : QWidget(parent), frame_(frame) {
    setObjectName(QStringLiteral("sharpenPage"));
    amount_ = new NumberEdit(kAmountId, this);
    amount_->setObjectName(QStringLiteral("amountEdit"));
    amount_->SetName("Amount", true);
    amount_->Setup(0, 500, 1, 10, 0);
    amount_->SetValue(100);
    radius_ = new NumberEdit(kRadiusId, this);
    radius_->setObjectName(QStringLiteral("radiusEdit"));
    radius_->SetName("Radius", true);
    radius_->Setup(0, 250, 0.1, 1, 1);
    radius_->SetValue(1.1);
    threshold_ = new NumberEdit(kThresholdId, this);
    threshold_->setObjectName(QStringLiteral("thresholdEdit"));
    threshold_->SetName("Threshold", true);
    threshold_->Setup(0, 1023, 1, 10, 0);
    threshold_->SetValue(0);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(0, 1);
    grid->setRowStretch(4, 1);
    const struct {
        const char* label;
        NumberEdit* edit;
    } rows[] = {{"&Amount:", amount_}, {"&Radius:", radius_}, {"&Threshold:", threshold_}};
    for (int row = 0; row < 3; ++row) {
        auto* label = new QLabel(QString::fromLatin1(rows[row].label), this);
        label->setBuddy(rows[row].edit);
        rows[row].edit->setFixedWidth(56);
        grid->addWidget(label, row + 1, 1, Qt::AlignRight);
        grid->addWidget(rows[row].edit, row + 1, 2);
        if (row == 2) thresholdLabel_ = label;
        connect(rows[row].edit, &NumberEdit::valueChanged, this, [this](int id) { ValueEdited(id); });
    }
    // Room for the preview and its edge on the left.
    grid->setColumnMinimumWidth(0, kLoupeSide + 16);

    timer_.setSingleShot(true);
    timer_.setInterval(kDelayMs);
    connect(&timer_, &QTimer::timeout, this, [this] { TimerFired(); });
}

SharpenPage::~SharpenPage() = default;

QSize SharpenPage::sizeHint() const { return {kPageWidth, kPageHeight}; }

QRect SharpenPage::PreviewRect() const {
    const int space = thresholdLabel_ != nullptr ? thresholdLabel_->x() : width() / 2;
    return {(space - kLoupeSide) / 2, (height() - kLoupeSide) / 2, kLoupeSide, kLoupeSide};
}

void SharpenPage::LoadValues() {
    const ImportSettings& settings = frame_.Settings();
    amount_->SetValue(settings.usmAmount);
    radius_->SetValue(settings.usmRadius);
    threshold_->SetValue(settings.usmThreshold);
}

void SharpenPage::ValueEdited(int identifier) {
    timer_.stop();
    (void)frame_.ApplyOptionsPage(false);
    ImportSettings settings = frame_.Settings();
    switch (identifier) {
        case kAmountId: settings.usmAmount = static_cast<int32_t>(amount_->Value()); break;
        case kRadiusId: settings.usmRadius = static_cast<float>(radius_->Value()); break;
        default: settings.usmThreshold = static_cast<int32_t>(threshold_->Value()); break;
    }
    stale_ = true;
    timer_.start();
    frame_.TakeSettings(settings);
}

void SharpenPage::ShowSample(const SampleRecord& record) {
    if (record.Empty()) return;
    const ProcessedImage& output = frame_.Session().FullOutput();
    centre_ = KeepLoupeInside({record.x, record.y}, static_cast<int32_t>(output.width),
                              static_cast<int32_t>(output.height));
    timer_.stop();
    Rebuild(false);
    stale_ = true;
}

void SharpenPage::EndSample() {
    stale_ = true;
    timer_.start();
}

std::optional<QCursor> SharpenPage::GetCursor(bool) { return LoupeCursor(); }

void SharpenPage::Activate(bool shown) {
    shown_ = shown;
    if (!shown) {
        timer_.stop();
        return;
    }
    LoadValues();
    stale_ = true;
    if (!closed_) timer_.start();
}

void SharpenPage::DocumentChanged() {
    closed_ = false;
    stale_ = true;
    timer_.start();
}

void SharpenPage::DocumentClosed() {
    timer_.stop();
    closed_ = true;
    own_.SetFileName(nullptr);
    preview_.release();
    sharpened_ = false;
    update();
}

void SharpenPage::ResetToDefaults() {
    // The Options page has reset the settings first.
    LoadValues();
}

void SharpenPage::TimerFired() {
    if (!shown_ || frame_.Busy() || !stale_ || !frame_.DocumentLoaded()) return;
    Rebuild(true);
}

void SharpenPage::Rebuild(bool sharpened) {
    LoupeSharpening sharpening;
    sharpening.on = sharpened;
    sharpening.amount = static_cast<int32_t>(amount_->Value());
    sharpening.radius = static_cast<float>(radius_->Value());
    sharpening.threshold = static_cast<int32_t>(threshold_->Value());
    const ProcessedImage& output = frame_.Session().FullOutput();
    centre_ = KeepLoupeInside(centre_, static_cast<int32_t>(output.width), static_cast<int32_t>(output.height));
    sharpened_ = BuildLoupe(own_, frame_.Session(), centre_, sharpening, preview_) && sharpened;
    if (sharpened_) stale_ = false;
    update(PreviewRect().adjusted(-3, -3, 3, 3));
}

void SharpenPage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect square = PreviewRect();
    const QRect edge = square.adjusted(-2, -2, 2, 2);
    if (preview_.hasPixels()) {
        qDrawShadePanel(&painter, edge, palette(), true, 2);
        painter.drawImage(square.topLeft(), ImageFromBitmap(preview_));
    } else {
        // Etched: a sunken line with a raised one inside it.
        qDrawShadeRect(&painter, edge, palette(), true, 1, 0);
    }
}

}  // namespace kyp
