#include "gui/frame/StatusStrip.h"

#include <QActionGroup>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>

#include <sched.h>

#include <algorithm>

#include "gui/frame/FileList.h"
#include "gui/frame/Messages.h"

namespace kyp {

QString PathEllipsis(const QString& text, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(text) <= width) return text;
    const QString dots = QStringLiteral("...");
    const qsizetype slash = text.lastIndexOf(QLatin1Char('/'));
    const QString tail = slash >= 0 ? text.mid(slash) : text;
    QString head = slash >= 0 ? text.left(slash) : QString();
    while (!head.isEmpty()) {
        head.chop(1);
        const QString candidate = head + dots + tail;
        if (metrics.horizontalAdvance(candidate) <= width) return candidate;
    }
    // Not even the name fits: it is cut at its end.
    return metrics.elidedText(dots + tail, Qt::ElideRight, width);
}

std::function<QAction*(QMenu*)>& StatusStrip::MenuChooser() {
    static std::function<QAction*(QMenu*)> chooser;
    return chooser;
}

StatusStrip::StatusStrip(QWidget* parent) : QWidget(parent), busy_(this) {
    setObjectName(QStringLiteral("statusStrip"));
    setFixedHeight(kHeight);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("fileListMenu"));
    menu_->addAction(QStringLiteral("<no documents>"))->setData(listcmd::noDocuments);
    status_ = QStringLiteral("Ready");
    qApp->installEventFilter(this);
}

StatusStrip::~StatusStrip() { qApp->removeEventFilter(this); }

void StatusStrip::SetStatus(const char* text) {
    if (text != nullptr) {
        status_ = QString::fromUtf8(text);
    } else {
        status_ = QString::fromStdString(defaultText ? defaultText() : std::string("Ready"));
    }
    repaint(textArea_);
}

void StatusStrip::SetText(const char* text) {
    // A new step begins: the stretch of the step before it ends here.
    (void)PumpIfDue();
    busy_.SetText(text);
    gapText_ = busy_.Text();
}

void StatusStrip::Begin(int32_t) {
    if (runDepth_++ == 0) {
        escapeNoted_ = false;
        quitSeen_ = false;
        longestGap_ = 0.0;
        longestGapText_.clear();
        pumps_ = 0;
        gapText_ = busy_.Text();
        sincePump_.start();
    } else {
        (void)PumpIfDue();
    }
    busy_.Begin();
}

void StatusStrip::NoteGap() {
    if (!sincePump_.isValid()) return;
    const double gap = static_cast<double>(sincePump_.nsecsElapsed()) / 1e6;
    if (gap > longestGap_) {
        longestGap_ = gap;
        longestGapText_ = gapText_;
    }
}

bool StatusStrip::PumpNow() {
    sched_yield();
    NoteGap();
    if (pump && !pump()) quitSeen_ = true;
    ++pumps_;
    sincePump_.start();
    gapText_ = busy_.Text();
    sched_yield();
    return !quitSeen_ && !escapeNoted_ && !busy_.SwitchedOff();
}

bool StatusStrip::PumpIfDue() {
    if (runDepth_ <= 0 || busy_.SwitchedOff()) return !busy_.SwitchedOff();
    if (sincePump_.isValid() && static_cast<double>(sincePump_.nsecsElapsed()) / 1e6 < kPumpIntervalMs) {
        return !quitSeen_ && !escapeNoted_;
    }
    return PumpNow();
}

bool StatusStrip::Tick(int32_t) {
    if (busy_.SwitchedOff()) return false;
    return PumpNow();
}

void StatusStrip::End() {
    if (runDepth_ == 1) {
        // The last stretch of the run ends here; the caller's own work after
        // the run is its business (and short).
        NoteGap();
    } else if (runDepth_ > 1) {
        (void)PumpIfDue();
    }
    busy_.End();
    if (runDepth_ > 0) --runDepth_;
}

void StatusStrip::ShowStatus(const char* text) {
    SetText(text);
    Begin(100);
}

void StatusStrip::SwitchOff() { busy_.SwitchOff(); }

bool StatusStrip::eventFilter(QObject* watched, QEvent* event) {
    // Escape cancels a run: a press anywhere in the program while a run is
    // under way is noted here and answered at the run's next Tick.
    if (runDepth_ > 0 && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        escapeNoted_ = true;
    }
    return QWidget::eventFilter(watched, event);
}

void StatusStrip::LayOut() {
    QRect client = rect();
    client.setTop(client.top() + 2);
    button_ = QRect(client.left(), client.top(), kButtonWidth, client.height());
    const int right = client.right() + 1;
    const int space = right - button_.right() - 1;
    const int busyWidth = std::min(space / 2, kBusyMaxWidth);
    busy_.SetRect(QRect(right - busyWidth, client.top(), busyWidth, client.height()));
    textArea_ = QRect(button_.right() + 1, client.top(), std::max(0, space - busyWidth), client.height());
}

void StatusStrip::resizeEvent(QResizeEvent*) { LayOut(); }

void StatusStrip::SetProgress(const std::string& progress) {
    progress_ = QString::fromStdString(progress);
    repaint(textArea_);
}

void StatusStrip::SetNote(const QString& note) {
    if (note == note_) return;
    note_ = note;
    update(busy_.Rect());
}

void StatusStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colours = palette();
    const QColor face = colours.color(QPalette::Button);
    painter.fillRect(rect(), face);
    // Sunken line along the top edge.
    painter.setPen(colours.color(QPalette::Dark));
    painter.drawLine(0, 0, width() - 1, 0);
    painter.setPen(colours.color(QPalette::Light));
    painter.drawLine(0, 1, width() - 1, 1);

    painter.setPen(colours.color(QPalette::ButtonText));
    busy_.Paint(painter, face);
    if (busy_.Level() == 0 && !note_.isEmpty()) {
        painter.drawText(busy_.Rect().adjusted(2, 0, -4, 0), Qt::TextSingleLine | Qt::AlignVCenter | Qt::AlignRight,
                         note_);
    }

    QRect inner = textArea_.adjusted(1, 1, -1, -1);
    painter.setPen(colours.color(QPalette::ButtonText));
    if (!progress_.isEmpty()) {
        const QString count = progress_ + QStringLiteral(":  ");
        painter.drawText(inner.adjusted(1, 0, 0, 0), Qt::TextSingleLine | Qt::AlignVCenter | Qt::AlignLeft, count);
        inner.setLeft(std::min(inner.right(), inner.left() + 1 + painter.fontMetrics().horizontalAdvance(count)));
    }
    if (status_.contains(QLatin1Char('/'))) {
        painter.drawText(inner, Qt::TextSingleLine | Qt::AlignVCenter | Qt::AlignLeft,
                         PathEllipsis(status_, painter.fontMetrics(), inner.width()));
    } else {
        painter.save();
        painter.setClipRect(inner);
        painter.drawText(inner.adjusted(1, 0, 0, 0), Qt::TextSingleLine | Qt::AlignVCenter | Qt::AlignLeft, status_);
        painter.restore();
    }
    // Etched line at the text area's right edge.
    painter.setPen(colours.color(QPalette::Dark));
    painter.drawLine(textArea_.right() - 1, textArea_.top(), textArea_.right() - 1, textArea_.bottom());
    painter.setPen(colours.color(QPalette::Light));
    painter.drawLine(textArea_.right(), textArea_.top(), textArea_.right(), textArea_.bottom());

    // The file-list button with its menu-arrow glyph.
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = button_;
    option.state |= buttonPressed_ ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
    const QPoint centre = button_.center() + (buttonPressed_ ? QPoint(1, 1) : QPoint(0, 0));
    const QPolygon arrow({centre + QPoint(-2, -4), centre + QPoint(2, 0), centre + QPoint(-2, 4)});
    painter.setPen(Qt::NoPen);
    painter.setBrush(colours.color(isEnabled() ? QPalette::ButtonText : QPalette::Mid));
    painter.drawPolygon(arrow);
}

void StatusStrip::mouseMoveEvent(QMouseEvent* event) {
    setCursor(button_.contains(event->position().toPoint()) ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void StatusStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && button_.contains(event->position().toPoint()) && list != nullptr) {
        PopupFileList(*list);
    }
}

void StatusStrip::RebuildMenu(const FileList& files) {
    menu_->clear();
    if (files.Empty()) {
        menu_->addAction(QStringLiteral("&Open..."))->setData(listcmd::open);
        return;
    }
    auto* group = new QActionGroup(menu_);
    for (int i = 0; i < files.Count(); ++i) {
        // A "&" in a path would otherwise underline the next letter.
        QString text = QString::fromStdString(files.Entry(i));
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* entry = menu_->addAction(text);
        entry->setData(i + 1);
        entry->setCheckable(true);
        entry->setActionGroup(group);
    }
    menu_->addSeparator();
    menu_->addAction(QStringLiteral("&Clear List"))->setData(listcmd::clear);
    menu_->addAction(QStringLiteral("&Open..."))->setData(listcmd::open);
}

QPoint StatusStrip::MenuPosition(const QRect& button, const QSize& menu, const QRect& screen) {
    int x = button.right() - 3;
    x = std::max(screen.left(), std::min(x, screen.right() + 1 - menu.width()));
    const int below = button.bottom() + 1;
    if (below + menu.height() <= screen.bottom() + 1) return {x, below};
    return {x, std::max(screen.top(), button.top() - menu.height())};
}

void StatusStrip::PopupFileList(const FileList& files) {
    if (isBusy && isBusy()) {
        Beep();
        return;
    }
    setCursor(Qt::ArrowCursor);
    const QList<QAction*> actions = menu_->actions();
    QAction* preferred = nullptr;
    for (QAction* action : actions) {
        const int id = action->data().toInt();
        if (id >= 1 && id <= files.Count()) action->setChecked(id - 1 == files.Current());
        if (id == listcmd::open && !files.Empty()) preferred = action;
    }
    if (preferred == nullptr && !actions.isEmpty()) preferred = actions.first();
    menu_->setDefaultAction(preferred);
    buttonPressed_ = true;
    repaint(button_);

    QAction* chosen = nullptr;
    if (MenuChooser()) {
        chosen = MenuChooser()(menu_);
    } else {
        const QRect button(mapToGlobal(button_.topLeft()), button_.size());
        const QScreen* screen = this->screen();
        const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(button.topLeft(), QSize(1, 1) * 4096);
        menu_->ensurePolished();
        // Placed by its corner: an action given to exec would be put under the point instead.
        chosen = menu_->exec(MenuPosition(button, menu_->sizeHint(), area));
    }
    buttonPressed_ = false;
    repaint(button_);
    if (chosen == nullptr || !onListCommand) return;
    const int id = chosen->data().toInt();
    if (id != listcmd::noDocuments) onListCommand(id);
}

}  // namespace kyp
