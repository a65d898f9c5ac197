#include "gui/pages/CurvesPage.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <memory>

#include "engine/process/Histogram.h"
#include "engine/settings/AcvFile.h"
#include "engine/settings/StoredSettings.h"
#include "gui/frame/CommandTable.h"
#include "gui/frame/MainFrame.h"
#include "gui/frame/Messages.h"
#include "gui/frame/StatusStrip.h"
#include "gui/pages/BlankPage.h"
#include "gui/pages/CurveNumberEdit.h"
#include "platform/SettingsStore.h"

namespace kyp {

// The Curves tab's controls, by object name:
//   channelList      "&Channel:" list: RGB, Red, Green, Blue
//   inputEdit        "&Input:"  number field 0..1023, steps 1 and 10
//   outputEdit       "&Output:" number field 0..1023, steps 1 and 10
//   nextPointButton  "&Next Point"
//   prevPointButton  "&Prev Point"
//   defaultButton    "&Default"  / "&Default All" while Ctrl is down
//   revertButton     "Re&vert"   / "Re&vert All"
//   autoButton       "A&uto"     / "&Auto RGB"
//   loadButton       "&Load..."
//   saveButton       "&Save..."
// The labels are channelLabel, inputLabel and outputLabel.

namespace {

const char* const kChannelNames[kCurveCount] = {"RGB", "Red", "Green", "Blue"};

// Captions with Ctrl up and with Ctrl down.
const char* const kDefaultCaption[2] = {"&Default", "&Default All"};
const char* const kRevertCaption[2] = {"Re&vert", "Re&vert All"};
const char* const kAutoCaption[2] = {"A&uto", "&Auto RGB"};

constexpr int kMargin = 8;
constexpr int kCtrlWatchMs = 200;

// The channel list tells the page when its drop-down opens and closes, so a
// cancelled drop-down can go back to the channel it started from.
class ChannelList : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> onShown;
    std::function<void()> onHidden;
    void showPopup() override {
        if (onShown) onShown();
        QComboBox::showPopup();
    }
    void hidePopup() override {
        // Qt also asks to hide a popup that is not up (the list being hidden
        // or going away); only a drop-down that was open closes.
        const bool open = view()->isVisible();
        QComboBox::hidePopup();
        if (open && onHidden) onHidden();
    }
};

QPushButton* MakeButton(QWidget* parent, const char* caption, const char* name) {
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

int CaptionWidth(const QPushButton* button, const char* caption) {
    QString text = QString::fromLatin1(caption);
    text.remove(QLatin1Char('&'));
    return button->fontMetrics().horizontalAdvance(text) + 20;
}

}  // namespace

CurvesPage::CurvesPage(MainFrame& frame, QWidget* parent) : QWidget(parent), frame_(frame) {
    setObjectName(QStringLiteral("curvesPage"));
    setMouseTracking(true);
    deleteCursor_ = DeletePointCursor();
    modifiers = [] { return QGuiApplication::queryKeyboardModifiers(); };
    processedImage = [this]() -> const ProcessedImage* {
        return frame_.DocumentLoaded() ? &frame_.Session().FullOutput() : nullptr;
    };
    curveFileDialog = [this](bool save) -> std::optional<std::string> {
        const QString filter = QStringLiteral("Photoshop Curve Files (*.acv *.ACV)");
        QString name = save ? QFileDialog::getSaveFileName(this, QStringLiteral("Save Curves"), QString(), filter,
                                                           nullptr, QFileDialog::DontUseNativeDialog)
                            : QFileDialog::getOpenFileName(this, QStringLiteral("Load Curves"), QString(), filter,
                                                           nullptr, QFileDialog::DontUseNativeDialog);
        if (name.isEmpty()) return std::nullopt;
        if (save && QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".acv");
        return name.toStdString();
    };

    BuildControls();
    ctrlWatch_.setInterval(kCtrlWatchMs);
    connect(&ctrlWatch_, &QTimer::timeout, this, [this] { OnCtrlWatch(); });

    settings_ = frame_.Settings();
    strips_.SetRow((settings_.options & opt::gamma) != 0, settings_.gammaExponent);
    auto_->setEnabled(frame_.DocumentLoaded());
    // The frame holds the curves (from the store, or the identity); make them
    // editable and show them.
    Sync();
    Redraw();
    ShowSelected();
}

CurvesPage::~CurvesPage() = default;

void CurvesPage::BuildControls() {
    channelLabel_ = new QLabel(QStringLiteral("&Channel:"), this);
    channelLabel_->setObjectName(QStringLiteral("channelLabel"));
    auto* list = new ChannelList(this);
    channelList_ = list;
    channelList_->setObjectName(QStringLiteral("channelList"));
    for (const char* name : kChannelNames) channelList_->addItem(QString::fromLatin1(name));
    channelList_->setCurrentIndex(channel_);
    channelLabel_->setBuddy(channelList_);
    list->onShown = [this] {
        rememberedChannel_ = channel_;
        listChosen_ = false;
    };
    list->onHidden = [this] {
        if (!listChosen_) SelectChannel(rememberedChannel_);
    };
    // While the list is down the graph follows the highlighted entry.
    connect(channelList_, &QComboBox::highlighted, this, [this](int index) {
        if (channelList_->view()->isVisible()) SelectChannel(index);
    });
    connect(channelList_, &QComboBox::activated, this, [this](int index) {
        listChosen_ = true;
        SelectChannel(index);
    });
    connect(channelList_, &QComboBox::currentIndexChanged, this, [this](int index) { SelectChannel(index); });

    inputLabel_ = new QLabel(QStringLiteral("&Input:"), this);
    inputLabel_->setObjectName(QStringLiteral("inputLabel"));
    input_ = new CurveNumberEdit(0, 1023, 1, 10, this);
    input_->setObjectName(QStringLiteral("inputEdit"));
    input_->SetName("Input");
    inputLabel_->setBuddy(input_);
    outputLabel_ = new QLabel(QStringLiteral("&Output:"), this);
    outputLabel_->setObjectName(QStringLiteral("outputLabel"));
    output_ = new CurveNumberEdit(0, 1023, 1, 10, this);
    output_->setObjectName(QStringLiteral("outputEdit"));
    output_->SetName("Output");
    outputLabel_->setBuddy(output_);
    connect(input_, &CurveNumberEdit::valueEdited, this, [this] { OnFieldEdited(); });
    connect(output_, &CurveNumberEdit::valueEdited, this, [this] { OnFieldEdited(); });

    nextPoint_ = MakeButton(this, "&Next Point", "nextPointButton");
    prevPoint_ = MakeButton(this, "&Prev Point", "prevPointButton");
    default_ = MakeButton(this, kDefaultCaption[0], "defaultButton");
    revert_ = MakeButton(this, kRevertCaption[0], "revertButton");
    auto_ = MakeButton(this, kAutoCaption[0], "autoButton");
    load_ = MakeButton(this, "&Load...", "loadButton");
    save_ = MakeButton(this, "&Save...", "saveButton");
    connect(nextPoint_, &QPushButton::clicked, this, [this] { StepPoint(true); });
    connect(prevPoint_, &QPushButton::clicked, this, [this] { StepPoint(false); });
    connect(default_, &QPushButton::clicked, this, [this] { DefaultCurves(); });
    connect(revert_, &QPushButton::clicked, this, [this] { RevertCurves(); });
    connect(auto_, &QPushButton::clicked, this, [this] { AutoCurves(); });
    connect(load_, &QPushButton::clicked, this, [this] { LoadCurves(); });
    connect(save_, &QPushButton::clicked, this, [this] { SaveCurves(); });
    offHint_ = new QLabel(QStringLiteral("These curves take effect only when Curves or Raw Curves is ticked on the "
                                         "Options page."),
                          this);
    offHint_->setObjectName(QStringLiteral("curvesOffHint"));
    offHint_->setWordWrap(true);
    offHint_->hide();
    PlaceControls();
}

// The graph sits left of the button column: its top 2 pixels below the top
// of "&Default", its right edge 10 pixels left of the buttons, its left edge
// 265 pixels left of them. The strips follow under the graph and the Input
// and Output fields under the strips.
void CurvesPage::PlaceControls() {
    const int rowHeight = std::max(channelList_->sizeHint().height(), input_->sizeHint().height());
    channelLabel_->setGeometry(kMargin, 6, channelLabel_->sizeHint().width(), rowHeight);
    channelList_->setGeometry(channelLabel_->geometry().right() + 6, 6,
                              std::max(90, channelList_->sizeHint().width()), rowHeight);

    const int buttonLeft = kMargin + 2 + 265;
    int buttonWidth = 0;
    for (const char* caption : {kDefaultCaption[1], kRevertCaption[1], kAutoCaption[1], "&Next Point",
                                "&Prev Point", "&Load...", "&Save..."}) {
        buttonWidth = std::max(buttonWidth, CaptionWidth(default_, caption));
    }
    const int buttonHeight = default_->sizeHint().height();
    const int defaultTop = 6 + rowHeight + 8;
    graph_ = GraphRect(buttonLeft - 265, defaultTop + 2);

    int y = defaultTop;
    for (QPushButton* button : {default_, revert_, auto_, load_, save_, nextPoint_, prevPoint_}) {
        if (button == load_ || button == nextPoint_) y += 12;
        button->setGeometry(buttonLeft, y, buttonWidth, buttonHeight);
        y += buttonHeight + 4;
    }

    const int fieldsTop = StripRect(graph_, 1).bottom() + 9;
    const int fieldWidth = input_->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16;
    inputLabel_->setGeometry(kMargin, fieldsTop, inputLabel_->sizeHint().width(), rowHeight);
    input_->setGeometry(inputLabel_->geometry().right() + 6, fieldsTop, fieldWidth, rowHeight);
    outputLabel_->setGeometry(input_->geometry().right() + 16, fieldsTop, outputLabel_->sizeHint().width(),
                              rowHeight);
    output_->setGeometry(outputLabel_->geometry().right() + 6, fieldsTop, fieldWidth, rowHeight);
    offHint_->setGeometry(kMargin, fieldsTop + rowHeight + 6, default_->geometry().right() - kMargin,
                          offHint_->heightForWidth(default_->geometry().right() - kMargin));
}

void CurvesPage::UpdateHint() {
    const bool off = (settings_.options & (opt::curves | opt::rawcurves)) == 0;
    const bool edited = std::any_of(Curves().begin(), Curves().end(), [](const Curve& c) { return !c.IsIdentity(); });
    offHint_->setVisible(off && edited);
}

QSize CurvesPage::sizeHint() const {
    const int width = std::max({kPageWidth, default_->geometry().right() + kMargin, output_->geometry().right() + kMargin});
    const int height = std::max(kPageHeight, output_->geometry().bottom() + kMargin);
    return {width, height};
}

Qt::KeyboardModifiers CurvesPage::Modifiers() const { return modifiers ? modifiers() : Qt::NoModifier; }

CurveArray& CurvesPage::Curves() { return frame_.Curves(); }

Curve& CurvesPage::Current() { return frame_.Curves()[static_cast<size_t>(channel_)]; }

const Curve& CurvesPage::CurrentCurve() const { return frame_.Curves()[static_cast<size_t>(channel_)]; }

void CurvesPage::Sync() {
    bool normalised = false;
    bool currentChanged = false;
    for (int i = 0; i < kCurveCount; ++i) {
        Curve& curve = Curves()[static_cast<size_t>(i)];
        if (curve == known_[static_cast<size_t>(i)]) continue;
        normalised |= NormaliseCurve(curve);
        if (i == channel_) currentChanged = true;
    }
    if (normalised) {
        // What the engine builds its tables from changed.
        frame_.MarkCurvesChanged();
        frame_.Session().MarkCurvesChanged();
    }
    Remember();
    if (currentChanged || normalised) {
        selected_ = -1;
        ShowSelected();
        Redraw();
    }
}

void CurvesPage::Remember() { known_ = Curves(); }

void CurvesPage::Redraw() {
    UpdateHint();
    BuildDisplayTable(CurrentCurve(), table_);
    strips_.SetCurvePalette(channel_, table_);
    update(GraphPaintRect(graph_));
}

void CurvesPage::Changed() {
    Remember();
    UpdateHint();
    if (dragging_) return;
    frame_.MarkCurvesChanged();
    frame_.Session().MarkCurvesChanged();
    frame_.SettingsEdited();
}

void CurvesPage::ShowSelected() {
    const Curve& curve = CurrentCurve();
    if (selected_ >= static_cast<int>(curve.Count())) selected_ = -1;
    const bool active = selected_ >= 0;
    input_->SetActive(active);
    output_->SetActive(active);
    if (active) {
        input_->SetValue(curve.X(static_cast<size_t>(selected_)));
        output_->SetValue(curve.Y(static_cast<size_t>(selected_)));
    }
}

void CurvesPage::SetSelection(int index) {
    const Curve& curve = CurrentCurve();
    if (index >= static_cast<int>(curve.Count())) index = -1;
    if (index == selected_) return;
    if (selected_ >= 0) UpdateSquare(curve.X(static_cast<size_t>(selected_)), curve.Y(static_cast<size_t>(selected_)));
    selected_ = index;
    if (selected_ >= 0) UpdateSquare(curve.X(static_cast<size_t>(selected_)), curve.Y(static_cast<size_t>(selected_)));
    ShowSelected();
}

void CurvesPage::UpdateSquare(int x, int y) { update(PointSquare(graph_, x, y).adjusted(-1, -1, 1, 1)); }

void CurvesPage::SetSelectedPoint(int x, int y) {
    if (selected_ < 0) return;
    Current().SetPoint(static_cast<size_t>(selected_), x, y);
    input_->SetValue(x);
    output_->SetValue(y);
    Redraw();
    Changed();
}

void CurvesPage::DeleteSelected() {
    if (selected_ < 0) return;
    selected_ = DeleteCurvePoint(Current(), selected_);
    ShowSelected();
    Redraw();
    Changed();
}

void CurvesPage::OnFieldEdited() {
    Sync();
    if (selected_ < 0) return;
    const Curve& curve = CurrentCurve();
    const size_t index = static_cast<size_t>(selected_);
    const auto [x, y] = LimitPoint(curve, selected_, input_->Value(), output_->Value());
    if (x != curve.X(index) || y != curve.Y(index)) {
        Current().SetPoint(index, x, y);
        Redraw();
        Changed();
    }
    if (x != input_->Value()) input_->SetValue(x);
    if (y != output_->Value()) output_->SetValue(y);
}

void CurvesPage::SelectChannel(int channel) {
    if (channel < 0 || channel >= kCurveCount) return;
    if (!channelList_->view()->isVisible() && channelList_->currentIndex() != channel) {
        const QSignalBlocker block(channelList_);
        channelList_->setCurrentIndex(channel);
    }
    if (channel != channel_) {
        Sync();
        selected_ = -1;
        channel_ = channel;
        Redraw();
        update(GraphPaintRect(graph_));
    }
    ShowSelected();
}

void CurvesPage::StepPoint(bool forward) {
    Sync();
    if ((Modifiers() & Qt::ShiftModifier) != 0) forward = !forward;
    const int count = static_cast<int>(CurrentCurve().Count());
    if (count == 0) return;
    int next = 0;
    if (selected_ < 0) {
        next = forward ? 0 : count - 1;
    } else {
        next = forward ? (selected_ + 1) % count : (selected_ + count - 1) % count;
    }
    SetSelection(next);
    output_->setFocus();
    output_->selectAll();
}

void CurvesPage::DefaultCurves() {
    Sync();
    if ((Modifiers() & Qt::ControlModifier) != 0) {
        ResetCurves(Curves());
    } else {
        Current().Reset();
    }
    Redraw();
    Changed();
    ShowSelected();
}

void CurvesPage::RevertCurves() {
    Sync();
    const bool all = (Modifiers() & Qt::ControlModifier) != 0;
    SettingsStore store;
    if (store.OpenForReading()) {
        if (all) {
            ReadStoredCurves(store, Curves());
        } else {
            (void)ReadStoredCurve(store, channel_, Current());
        }
    }
    // Stored texts are read as they are; keep what the editor needs.
    for (Curve& curve : Curves()) (void)NormaliseCurve(curve);
    Redraw();
    Changed();
    ShowSelected();
}

void CurvesPage::AutoCurves() {
    Sync();
    const Qt::KeyboardModifiers keys = Modifiers();
    frame_.BeginWait();
    const bool valid = frame_.ApplyOptionsPage(false);
    if (valid) settings_ = frame_.Settings();
    const ProcessedImage* image = processedImage ? processedImage() : nullptr;
    if (!valid || image == nullptr || image->samples == nullptr) {
        Beep();
        frame_.EndWait();
        return;
    }
    StatusStrip& strip = frame_.Strip();
    strip.ShowStatus("Auto Levels........");
    auto record = std::make_unique<HistogramRecord>();
    const bool counted = strip.Tick(1) && ComputeHistogram(*image, record.get(), nullptr) && strip.Tick(1);
    if (counted) {
        // A channel the image has no counts for keeps its curve.
        auto autoCurve = [&](int channel) {
            const HistogramBlock& block = record->blocks[channel];
            if (block.lowestValue >= 1024) return;
            AutoCurve(Curves()[static_cast<size_t>(channel)], *record, channel, settings_.darkThreshold,
                      settings_.brightThreshold);
        };
        if ((keys & Qt::ControlModifier) != 0) {
            for (int channel = curve::red; channel <= curve::blue; ++channel) autoCurve(channel);
            Curves()[curve::master].Reset();
        } else {
            autoCurve(channel_);
        }
        Redraw();
        Changed();
        ShowSelected();
    }
    strip.EndStatus();
    frame_.EndWait();
    if (counted && (keys & Qt::ShiftModifier) == 0 && (settings_.options & opt::curves) != 0) {
        QMetaObject::invokeMethod(&frame_, [frame = &frame_] { frame->Command(cmd::apply); }, Qt::QueuedConnection);
    }
}

void CurvesPage::LoadCurves() {
    Sync();
    const std::optional<std::string> path = curveFileDialog ? curveFileDialog(false) : std::nullopt;
    if (!path) return;
    const CurveArray before = Curves();
    (void)ReadAcvFile(*path, Curves());
    for (Curve& curve : Curves()) (void)NormaliseCurve(curve);
    if (Curves() == before) return;
    selected_ = -1;
    Redraw();
    Changed();
    ShowSelected();
    (void)SaveStoredSettings(nullptr, &Curves(), nullptr);
}

void CurvesPage::SaveCurves() {
    Sync();
    const std::optional<std::string> path = curveFileDialog ? curveFileDialog(true) : std::nullopt;
    if (!path) return;
    if (!WriteAcvFile(*path, Curves())) {
        ShowMessage(this, MessageIcon::warning, Format("Error saving '%s'.", path->c_str()));
    }
}

void CurvesPage::CopySettings() {
    if (frame_.ApplyOptionsPage(false)) settings_ = frame_.Settings();
    UpdateHint();
    strips_.SetRow((settings_.options & opt::gamma) != 0, settings_.gammaExponent);
    update(GraphPaintRect(graph_));
}

void CurvesPage::ShowSample(const SampleRecord& record) {
    int sampled = -1;
    if (record.x >= 1 && record.y >= 1) {
        const int value = channel_ == curve::master
                              ? (record.interpolated[0] + record.interpolated[1] + record.interpolated[2]) / 3
                              : record.interpolated[channel_ - 1];
        sampled = To8Bit(value);
    }
    if (sampled == sampled_) return;
    if (sampled_ >= 0) update(MarkerSquare(graph_, sampled_, table_[static_cast<size_t>(sampled_)]).adjusted(-1, -1, 1, 1));
    sampled_ = sampled;
    if (sampled_ >= 0) update(MarkerSquare(graph_, sampled_, table_[static_cast<size_t>(sampled_)]).adjusted(-1, -1, 1, 1));
}

void CurvesPage::Activate(bool shown) {
    shown_ = shown;
    if (!shown) {
        ctrlWatch_.stop();
        return;
    }
    Sync();
    auto_->setEnabled(frame_.DocumentLoaded());
    SelectChannel(channel_);
    ctrlWatch_.start();
    CopySettings();
}

void CurvesPage::DocumentChanged() {
    CopySettings();
    auto_->setEnabled(true);
}

void CurvesPage::DocumentClosed() { auto_->setEnabled(false); }

void CurvesPage::ResetToDefaults() {
    Sync();
    ResetCurves(Curves());
    Redraw();
    Changed();
    ShowSelected();
}

void CurvesPage::PageCommand(int command) { SelectChannel(command); }

void CurvesPage::OnCtrlWatch() {
    Sync();
    UpdateHoverCursor();
    const bool ctrl = (Modifiers() & Qt::ControlModifier) != 0;
    if (ctrl == ctrlLabels_) return;
    ctrlLabels_ = ctrl;
    const size_t form = ctrl ? 1 : 0;
    default_->setText(QString::fromLatin1(kDefaultCaption[form]));
    revert_->setText(QString::fromLatin1(kRevertCaption[form]));
    auto_->setText(QString::fromLatin1(kAutoCaption[form]));
}

}  // namespace kyp
