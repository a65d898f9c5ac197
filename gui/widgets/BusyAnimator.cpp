#include "gui/widgets/BusyAnimator.h"

#include <QImage>
#include <QMetaObject>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace kyp {

BusyAnimator::BusyAnimator(QWidget* owner) : owner_(owner) {}

BusyAnimator::~BusyAnimator() {
    level_ = 0;
    StopThread();
}

void BusyAnimator::StopThread() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

std::array<uint8_t, BusyAnimator::kRowLength> BusyAnimator::BuildRow() {
    std::array<uint8_t, kRowLength> row{};
    const double sigmaSquared = 128.0 * 128.0 / (2.0 * std::log(255.0));
    for (int k = 0; k < kRowLength; ++k) {
        const double d = k - 128;
        const double bell = 255.0 * std::exp(-(d * d) / (2.0 * sigmaSquared));
        row[static_cast<size_t>(k)] = static_cast<uint8_t>(256 - static_cast<int>(std::lround(bell)));
    }
    return row;
}

QRgb BusyAnimator::PaletteEntry(int index) {
    const int level = 190 + index / 4;
    return qRgb(level, level, 240);
}

void BusyAnimator::RotateRow(std::array<uint8_t, kRowLength>& row) {
    std::rotate(row.begin(), row.begin() + 2, row.begin() + kShown);
}

std::array<uint8_t, BusyAnimator::kRowLength> BusyAnimator::RowSnapshot() const {
    std::lock_guard<std::mutex> guard(lock_);
    return hasRow_ ? row_ : std::array<uint8_t, kRowLength>{};
}

bool BusyAnimator::Animating() const { return thread_.joinable(); }

void BusyAnimator::SetRect(const QRect& rect) {
    std::lock_guard<std::mutex> guard(lock_);
    rect_ = rect;
}

void BusyAnimator::SetText(const char* text) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        text_ = text != nullptr ? QString::fromUtf8(text) : QString();
    }
    if (owner_ != nullptr) owner_->update(rect_);
}

QString BusyAnimator::Text() const {
    std::lock_guard<std::mutex> guard(lock_);
    return text_;
}

void BusyAnimator::Begin() {
    if (switchedOff_) return;
    if (level_.fetch_add(1) != 0) return;
    StopThread();  // a thread that saw the level at 0 is ending
    {
        std::lock_guard<std::mutex> guard(lock_);
        row_ = BuildRow();
        hasRow_ = true;
        stopping_ = false;
    }
    thread_ = std::thread([this] { Run(); });
    RequestRepaint();
}

void BusyAnimator::End() {
    if (switchedOff_) return;
    {
        std::lock_guard<std::mutex> guard(lock_);
        text_.clear();
    }
    if (level_.fetch_sub(1) - 1 >= 1) {
        if (owner_ != nullptr) owner_->update(rect_);
        return;
    }
    StopThread();
    {
        std::lock_guard<std::mutex> guard(lock_);
        hasRow_ = false;
    }
    level_ = 0;
    if (owner_ != nullptr) owner_->update(rect_);
}

void BusyAnimator::SwitchOff() {
    switchedOff_ = true;
    level_ = 0;
    StopThread();
    std::lock_guard<std::mutex> guard(lock_);
    hasRow_ = false;
    text_.clear();
}

void BusyAnimator::Run() {
    std::unique_lock<std::mutex> guard(lock_);
    while (!stopping_ && level_.load() > 0) {
        // One step's pause, cut short when End or SwitchOff wants the thread gone.
        if (wake_.wait_for(guard, std::chrono::milliseconds(kStepMilliseconds), [this] { return stopping_; })) break;
        if (!hasRow_) break;
        RotateRow(row_);
        guard.unlock();
        RequestRepaint();
        guard.lock();
    }
}

void BusyAnimator::RequestRepaint() {
    if (owner_ == nullptr || repaintPosted_.exchange(true)) return;
    // Only the interface thread may touch the widget: the repaint request is
    // queued to it, and repeated requests collapse until it has run.
    QPointer<QWidget> owner(owner_);
    QMetaObject::invokeMethod(
        owner_,
        [this, owner] {
            repaintPosted_ = false;
            if (owner) owner->update(Rect());
        },
        Qt::QueuedConnection);
}

void BusyAnimator::Paint(QPainter& painter, const QColor& face) {
    std::lock_guard<std::mutex> guard(lock_);
    if (rect_.isEmpty()) return;
    if (hasRow_) {
        QImage strip(kShown, 1, QImage::Format_Indexed8);
        QList<QRgb> colours(256);
        for (int i = 0; i < 256; ++i) colours[i] = PaletteEntry(i);
        strip.setColorTable(colours);
        std::copy(row_.begin(), row_.begin() + kShown, strip.scanLine(0));
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(rect_, strip);
        painter.restore();
    } else {
        painter.fillRect(rect_, face);
    }
    if (!text_.isEmpty()) {
        const int flags = Qt::TextSingleLine | Qt::AlignVCenter | (centred_ ? Qt::AlignHCenter : Qt::AlignLeft);
        painter.drawText(rect_, flags, text_);
    }
}

}  // namespace kyp
