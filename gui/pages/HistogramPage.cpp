#include "gui/pages/HistogramPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>

#include <algorithm>

#include "gui/frame/MainFrame.h"
#include "gui/frame/StatusStrip.h"
#include "gui/pages/BlankPage.h"
#include "gui/pages/CurveEditing.h"

namespace kyp {

// The Histogram tab's controls, by object name:
//   channelList               "&Channel:" list: RGB, Red, Green, Blue
//                             (RGB left out for the raw data)
//   histogramForGroup         group "Histogram for"
//   rawImageDataRadio         "&Raw image data"
//   interpolatedImageRadio    "&Interpolated image"
//   fullyProcessedImageRadio  "&Fully processed image" (checked initially)
// The list's label is channelLabel.

namespace {

const char* const kChannelNames[4] = {"RGB", "Red", "Green", "Blue"};
constexpr int kMargin = 8;

}  // namespace

HistogramPage::HistogramPage(MainFrame& frame, QWidget* parent) : QWidget(parent), frame_(frame) {
    setObjectName(QStringLiteral("histogramPage"));
    BuildControls();
    timer_.setSingleShot(true);
    timer_.setInterval(kDelayMs);
    connect(&timer_, &QTimer::timeout, this, [this] { Refresh(); });
    RebuildLine();
}

HistogramPage::~HistogramPage() = default;

void HistogramPage::BuildControls() {
    channelLabel_ = new QLabel(QStringLiteral("&Channel:"), this);
    channelLabel_->setObjectName(QStringLiteral("channelLabel"));
    channelList_ = new QComboBox(this);
    channelList_->setObjectName(QStringLiteral("channelList"));
    for (const char* name : kChannelNames) channelList_->addItem(QString::fromLatin1(name));
    channelLabel_->setBuddy(channelList_);
    connect(channelList_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) ChooseChannel(index + (source_ == histsource::raw ? 1 : 0));
    });

    group_ = new QGroupBox(QStringLiteral("Histogram for"), this);
    group_->setObjectName(QStringLiteral("histogramForGroup"));
    rawButton_ = new QRadioButton(QStringLiteral("&Raw image data"), group_);
    rawButton_->setObjectName(QStringLiteral("rawImageDataRadio"));
    interpolatedButton_ = new QRadioButton(QStringLiteral("&Interpolated image"), group_);
    interpolatedButton_->setObjectName(QStringLiteral("interpolatedImageRadio"));
    processedButton_ = new QRadioButton(QStringLiteral("&Fully processed image"), group_);
    processedButton_->setObjectName(QStringLiteral("fullyProcessedImageRadio"));
    processedButton_->setChecked(true);
    auto* grid = new QGridLayout(group_);
    grid->setContentsMargins(8, 4, 8, 6);
    grid->setVerticalSpacing(2);
    grid->addWidget(rawButton_, 0, 0);
    grid->addWidget(interpolatedButton_, 0, 1);
    grid->addWidget(processedButton_, 1, 0, 1, 2);
    const std::pair<QRadioButton*, int> sources[] = {
        {rawButton_, histsource::raw}, {interpolatedButton_, histsource::interpolated},
        {processedButton_, histsource::processed}};
    for (const auto& [button, source] : sources) {
        const int chosen = source;
        connect(button, &QRadioButton::toggled, this, [this, chosen](bool on) {
            if (on) ChooseSource(chosen);
        });
    }
    PlaceControls();
}

void HistogramPage::PlaceControls() {
    const int rowHeight = channelList_->sizeHint().height();
    channelLabel_->setGeometry(kMargin, kMargin, channelLabel_->sizeHint().width(), rowHeight);
    channelList_->setGeometry(channelLabel_->geometry().right() + 6, kMargin,
                              std::max(90, channelList_->sizeHint().width()), rowHeight);
    const QSize size = rect().size().expandedTo(QSize(kPageWidth, kPageHeight));
    const int groupHeight = group_->sizeHint().height();
    group_->setGeometry(kMargin, size.height() - kMargin - groupHeight, size.width() - 2 * kMargin, groupHeight);
    layout_ = MakeHistogramLayout(QRect(QPoint(0, 0), size), channelList_->geometry().bottom(),
                                  group_->geometry().top());
}

QSize HistogramPage::sizeHint() const { return {kPageWidth, kPageHeight}; }

void HistogramPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceControls();
}

void HistogramPage::Invalidate() {
    for (Set& set : sets_) {
        set.valid = false;
        set.error = false;
    }
}

void HistogramPage::ComputeIfNeeded() {
    Set& set = sets_[static_cast<size_t>(source_)];
    if (!shown_ || !frame_.DocumentLoaded() || frame_.Busy() || set.valid) return;
    frame_.BeginWait();
    line_ = QStringLiteral("... Generating Histogram ...");
    repaint();
    frame_.Strip().SetStatus("Generating histogram...");
    bool ok = false;
    ProcessingSession& session = frame_.Session();
    switch (source_) {
        case histsource::raw: ok = ComputeRawHistogram(session.Raw(), *set.record); break;
        case histsource::interpolated: ok = ComputeHistogram(session.FullImage(), set.record.get(), nullptr); break;
        default: ok = ComputeHistogram(session.FullOutput(), set.record.get(), nullptr); break;
    }
    set.valid = ok;
    set.error = !ok;
    RebuildLine();
    frame_.Strip().SetStatus(nullptr);
    if (shown_) channelList_->setFocus();
    frame_.EndWait();
    update();
}

void HistogramPage::Refresh() {
    if (!shown_) return;
    // A run under way holds the images; try again once it is over.
    if (frame_.Busy()) {
        timer_.start();
        return;
    }
    ComputeIfNeeded();
    ChooseSource(source_);
}

void HistogramPage::ChooseSource(int source) {
    if (source < histsource::raw || source > histsource::processed) return;
    if (source != source_) {
        const QSignalBlocker block(channelList_);
        if (source == histsource::raw) {
            channelList_->removeItem(0);
            if (channel_ == 0) channel_ = 2;
        } else if (source_ == histsource::raw) {
            channelList_->insertItem(0, QString::fromLatin1(kChannelNames[0]));
        }
        source_ = source;
    }
    {
        const QSignalBlocker block(group_);
        QRadioButton* button = source_ == histsource::raw            ? rawButton_
                               : source_ == histsource::interpolated ? interpolatedButton_
                                                                      : processedButton_;
        if (!button->isChecked()) {
            const QSignalBlocker blockButton(button);
            button->setChecked(true);
        }
    }
    ComputeIfNeeded();
    ChooseChannel(channel_);
}

void HistogramPage::ChooseChannel(int channel) {
    channel_ = std::clamp(channel, 0, 3);
    Set& set = sets_[static_cast<size_t>(source_)];
    if (set.valid) {
        const HistogramBlock& block = set.record->blocks[channel_];
        set.bins = MakeDisplayBins(block);
        set.scale = DisplayScale(set.bins);
        set.stdDev = static_cast<float>(
            ChannelStdDev(block, static_cast<int>(std::min<uint32_t>(block.lowestValue, 1023)),
                          static_cast<int>(std::min<uint32_t>(block.highestValue, 1023))));
    }
    RebuildLine();
    SelectListItem();
    update();
}

void HistogramPage::SelectListItem() {
    const int item = source_ == histsource::raw ? channel_ - 1 : channel_;
    if (channelList_->currentIndex() == item) return;
    const QSignalBlocker block(channelList_);
    channelList_->setCurrentIndex(item);
}

void HistogramPage::RebuildLine() {
    const Set& set = Current();
    if (!frame_.DocumentLoaded()) {
        line_ = QStringLiteral("No Document");
    } else if (source_ == histsource::raw && channel_ == 0) {
        line_ = QStringLiteral("Sorry, No RGB channel for RAW");
    } else if (set.error) {
        line_ = QStringLiteral("-- error --");
    } else if (set.valid && set.record->blocks[channel_].lowestValue <= 1023) {
        line_ = QString::fromStdString(StatisticsLine(set.record->blocks[channel_], set.stdDev));
    } else {
        // Not computed yet, or a channel the image has no samples in.
        line_.clear();
    }
}

HistogramPlotView HistogramPage::View() const {
    HistogramPlotView view;
    const Set& set = Current();
    view.layout = layout_;
    view.valid = set.valid && frame_.DocumentLoaded();
    view.bins = &set.bins;
    view.scale = set.scale;
    view.block = &set.record->blocks[channel_];
    view.stdDev = set.stdDev;
    view.line = line_;
    view.face = palette().color(QPalette::Button);
    return view;
}

int HistogramPage::MarkerPosition() const {
    if (!sampleShown_ || sample_.x == -1 || source_ == histsource::raw) return -1;
    const bool processed = source_ == histsource::processed;
    int value = 0;
    if (channel_ == 0) {
        value = processed ? sample_.processedK : sample_.interpolatedK;
    } else {
        const size_t c = static_cast<size_t>(channel_ - 1);
        value = processed ? sample_.processed[c] : sample_.interpolated[c];
    }
    return To8Bit(value);
}

void HistogramPage::paintEvent(QPaintEvent* /*event*/) {
    // Drawn off-screen, then copied in one piece.
    QImage buffer(size(), QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&buffer);
        PaintHistogram(painter, rect(), View());
        PaintSampleMarker(painter, layout_.plot, MarkerPosition());
    }
    QPainter painter(this);
    painter.drawImage(0, 0, buffer);
}

void HistogramPage::ShowSample(const SampleRecord& record) {
    if (source_ == histsource::raw) return;
    sample_ = record;
    sampleShown_ = true;
    update(RangeBarPaintRect(layout_.plot));
}

void HistogramPage::Activate(bool shown) {
    shown_ = shown;
    if (!shown) {
        timer_.stop();
        return;
    }
    channelList_->setFocus();
    timer_.start();
}

void HistogramPage::DocumentChanged() {
    Invalidate();
    if (!shown_) return;
    update();
    timer_.start();
}

void HistogramPage::DocumentClosed() {
    Invalidate();
    sampleShown_ = false;
    line_ = QStringLiteral("No Document");
    if (shown_) update();
}

void HistogramPage::PageCommand(int command) { ChooseChannel(command); }

}  // namespace kyp
