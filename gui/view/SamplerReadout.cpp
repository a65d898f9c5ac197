#include "gui/view/SamplerReadout.h"

#include <QAction>
#include <QActionGroup>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>

#include "gui/widgets/MenuButton.h"

namespace kyp {

namespace {

constexpr int kMargin = 4;       // left and top
constexpr int kBlockGap = 6;     // between the two blocks of rows
constexpr int kColumnGap = 12;   // after the first column's values

// K as a percentage of the 10-bit range.
QString Percent(int32_t k) { return QString::number(static_cast<int64_t>(k) * 100 / 1023); }

}  // namespace

SamplerReadout::SamplerReadout(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("samplerReadout"));
    setWindowTitle(QStringLiteral("Info"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    // A small sans-serif face, as the readout has always used.
    font_ = font();
    font_.setPixelSize(10);
    font_.setWeight(QFont::Normal);
    setFont(font_);
    const QFontMetrics metrics(font_);
    percentWidth_ = metrics.horizontalAdvance(QStringLiteral("%"));
    labelWidth_ = metrics.horizontalAdvance(QStringLiteral("K:"));
    valueWidth_ = metrics.horizontalAdvance(QStringLiteral("9999"));
    rowHeight_ = metrics.height() + 1;

    sizeMenu_ = new QMenu(this);
    auto* group = new QActionGroup(sizeMenu_);
    const struct {
        int id;
        const char* text;
        const char* name;
        uint32_t size;
    } entries[] = {{samplecmd::size1, "1 Pixel", "sampleSize1", 1},
                   {samplecmd::size3, "3 x 3 Pixels", "sampleSize3", 3},
                   {samplecmd::size5, "5 x 5 Pixels", "sampleSize5", 5}};
    for (const auto& entry : entries) {
        QAction* action = sizeMenu_->addAction(QString::fromLatin1(entry.text));
        action->setObjectName(QString::fromLatin1(entry.name));
        action->setData(entry.id);
        action->setCheckable(true);
        action->setActionGroup(group);
        const uint32_t size = entry.size;
        connect(action, &QAction::triggered, this, [this, size] {
            if (setSampleSize) setSampleSize(size);
            update();
        });
    }
    connect(sizeMenu_, &QMenu::aboutToShow, this, [this] { UpdateMenu(); });

    sizeButton_ = new MenuButton(this);
    sizeButton_->setObjectName(QStringLiteral("sampleSizeButton"));
    sizeButton_->setFocusPolicy(Qt::NoFocus);
    sizeButton_->SetMenu(sizeMenu_);
    sizeButton_->hide();
    resize(sizeHint());
}

QSize SamplerReadout::sizeHint() const {
    return {2 * (percentWidth_ + labelWidth_ + valueWidth_) + 20, 8 * rowHeight_ + 14};
}

void SamplerReadout::resizeEvent(QResizeEvent*) {
    const int side = rowHeight_ + 2;
    sizeButton_->setGeometry(width() - 3 - side, 3, side, side);
}

void SamplerReadout::UpdateMenu() {
    const uint32_t size = sampleSize ? sampleSize() : 1;
    for (QAction* action : sizeMenu_->actions()) {
        const int id = action->data().toInt();
        const uint32_t of = id == samplecmd::size5 ? 5 : id == samplecmd::size3 ? 3 : 1;
        action->setChecked(of == size);
    }
}

void SamplerReadout::SetRecord(const SampleRecord& record) {
    record_ = record;
    sizeButton_->show();
    update();
}

void SamplerReadout::Clear() {
    record_.reset();
    sizeButton_->hide();
    update();
}

std::vector<SamplerReadout::Cell> SamplerReadout::Cells() const {
    std::vector<Cell> cells;
    if (!record_ || record_->Empty()) return cells;
    const SampleRecord& r = *record_;
    const char* const rgb[3] = {"R:", "G:", "B:"};
    for (int c = 0; c < 3; ++c) {
        cells.push_back({0, c, QString::fromLatin1(rgb[c]), QString::number(r.interpolated[c]), false});
        cells.push_back({0, 4 + c, QString::fromLatin1(rgb[c]), QString::number(r.processed[c]), false});
        cells.push_back({1, 4 + c, QString::fromLatin1(rgb[c]), QString::number(r.displayed[c]), false});
    }
    cells.push_back({0, 3, QStringLiteral("K:"), Percent(r.interpolatedK), true});
    cells.push_back({0, 7, QStringLiteral("K:"), Percent(r.processedK), true});
    cells.push_back({1, 7, QStringLiteral("K:"), QString::number(r.displayedK), false});
    if (r.sampleSize != 1) {
        cells.push_back({1, 0, QString(), QStringLiteral("%1x%1").arg(r.sampleSize), false});
    }
    cells.push_back({1, 1, QStringLiteral("X:"), QString::number(r.x), false});
    cells.push_back({1, 2, QStringLiteral("Y:"), QString::number(r.y), false});
    return cells;
}

QStringList SamplerReadout::Lines() const {
    QStringList lines;
    for (const Cell& cell : Cells()) {
        lines << (cell.label.isEmpty() ? QString() : cell.label + QLatin1Char(' ')) + cell.value +
                     (cell.percent ? QStringLiteral("%") : QString());
    }
    return lines;
}

void SamplerReadout::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    painter.setFont(font_);
    painter.setPen(palette().color(QPalette::ButtonText));
    const int columnWidth = labelWidth_ + valueWidth_ + percentWidth_;
    for (const Cell& cell : Cells()) {
        const int left = kMargin + cell.column * (columnWidth + kColumnGap);
        const int top = kMargin + cell.row * rowHeight_ + (cell.row >= 4 ? kBlockGap : 0);
        if (cell.label.isEmpty()) {
            // The sample size stands on its own at the head of the column, clear of the button.
            painter.drawText(QRect(left, top, labelWidth_ + valueWidth_, rowHeight_), Qt::AlignLeft | Qt::AlignVCenter,
                             cell.value);
            continue;
        }
        painter.drawText(QRect(left, top, labelWidth_, rowHeight_), Qt::AlignRight | Qt::AlignVCenter, cell.label);
        const int valueWidth = valueWidth_ + (cell.percent ? percentWidth_ : 0);
        painter.drawText(QRect(left + labelWidth_, top, valueWidth, rowHeight_), Qt::AlignRight | Qt::AlignVCenter,
                         cell.value + (cell.percent ? QStringLiteral("%") : QString()));
    }
}

}  // namespace kyp
