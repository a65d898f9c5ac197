#include "gui/view/ImageWindow.h"

#include <qdrawutil.h>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <cstdint>

#include "gui/frame/FrameLayout.h"
#include "gui/view/ImageViewGeometry.h"
#include "gui/view/ScreenPixels.h"

namespace kyp {


ImageWindow::ImageWindow(bool separate, ImageWindowHost host, QWidget* parent)
    : QWidget(parent, separate ? Qt::Window : Qt::Widget), separate_(separate), host_(std::move(host)) {
    setObjectName(QStringLiteral("imageWindow"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    vertical_ = new QScrollBar(Qt::Vertical, this);
    vertical_->setObjectName(QStringLiteral("verticalScrollBar"));
    horizontal_ = new QScrollBar(Qt::Horizontal, this);
    horizontal_->setObjectName(QStringLiteral("horizontalScrollBar"));
    for (QScrollBar* bar : {vertical_, horizontal_}) {
        bar->hide();
        bar->setFocusPolicy(Qt::NoFocus);
        bar->setCursor(Qt::ArrowCursor);
        bar->setSingleStep(2);
    }
    // Every move of a bar (arrows, page, drag) arrives as the thumb position.
    connect(vertical_, &QScrollBar::valueChanged, this, [this](int value) { Scroll(false, view::scroll::thumb, value); });
    connect(horizontal_, &QScrollBar::valueChanged, this, [this](int value) { Scroll(true, view::scroll::thumb, value); });
    resizeSettle_.setSingleShot(true);
    resizeSettle_.setInterval(250);
    connect(&resizeSettle_, &QTimer::timeout, this, [this] { FinishUserResize(); });
}

ImageWindow::~ImageWindow() {
    if (separate_ && !isMinimized() && isVisible()) StoreView();
}

QSize ImageWindow::ImageSize() const {
    return HasImage() ? QSize(rendering_->width(), rendering_->height()) : QSize();
}

QSize ImageWindow::ScrollBarExtra() const {
    if (zoom_ == 0) return {0, 0};
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return {extent, extent};
}

void ImageWindow::SetImage(const Bitmap* rendering, QImage screenPixels) {
    const bool has = rendering != nullptr && rendering->hasPixels();
    // A turned picture turns the separate window in fit mode: the sides of the
    // last picture's view swap.
    std::optional<QSize> turned;
    if (has && separate_ && zoom_ == 0 && hadImage_ && (rendering->width() > rendering->height()) != landscape_) {
        turned = QSize(imageView_.height(), imageView_.width());
    }
    channelCopy_.release();
    channelCopyValid_ = false;
    sourceValid_ = false;
    rendering_ = has ? rendering : nullptr;
    if (has && channel_ == -1 && screenPixels.size() == QSize(rendering->width(), rendering->height())) {
        source_ = std::move(screenPixels);
        sourceValid_ = true;
    }
    if (has) {
        landscape_ = rendering->width() > rendering->height();
        if (!hadImage_) zoom_ = 0;
        hadImage_ = true;
    }
    UpdateSizeLimits();
    if (turned) {
        if (isMaximized()) showNormal();
        ResizeClient(*turned);
    }
    if (ImageSize() != laidOutImage_ || !has || turned) LayOut();
    update();
}

QPointF ImageWindow::ImagePoint(const QPoint& point) const {
    const QPointF offset = point - view_.topLeft();
    if (zoom_ >= 100) return offset / (zoom_ / 100) + QPointF(scroll_);
    if (view_.width() <= 0 || view_.height() <= 0) return QPointF(scroll_);
    return QPointF(offset.x() * visible_.width() / view_.width(), offset.y() * visible_.height() / view_.height()) +
           QPointF(zoom_ == 0 ? QPoint() : scroll_);
}

void ImageWindow::SetZoom(int percent, std::optional<QPoint> anchor) {
    const int zoom = view::ClampZoom(percent);
    if (zoom == zoom_) return;
    const bool keep = HasImage() && !view_.isEmpty();
    const QPoint at = anchor && view_.contains(*anchor) ? *anchor : view_.center();
    const QPointF pixel = keep ? ImagePoint(at) : QPointF();
    zoom_ = zoom;
    LayOut();
    UpdateSizeLimits();
    if (separate_ && HasImage()) {
        ResizeClient(view_.size() + ScrollBarExtra());
        LayOut();
    }
    if (keep && zoom_ != 0) {
        // The same image point under the same place of the view.
        const QPoint offset = at - view_.topLeft();
        const QPoint place(std::clamp(offset.x(), 0, std::max(0, view_.width() - 1)),
                           std::clamp(offset.y(), 0, std::max(0, view_.height() - 1)));
        const QPointF shown = ImagePoint(view_.topLeft() + place) - QPointF(scroll_);
        scroll_ = (pixel - shown).toPoint();
        UpdateScrollBars();
    }
    if (host_.zoomShown) host_.zoomShown(zoom_, ShownScale());
    update();
}

void ImageWindow::StepZoom(bool in, std::optional<QPoint> anchor) {
    static constexpr int kLevels[] = {0, 100, 200, 400, 800, 1600};
    int next = zoom_;
    if (in) {
        for (int level : kLevels) {
            if (level > zoom_) {
                next = level;
                break;
            }
        }
    } else {
        for (int level : kLevels) {
            if (level < zoom_) next = level;
        }
    }
    SetZoom(next, anchor);
}

int ImageWindow::ShownScale() const {
    if (zoom_ != 0) return zoom_;
    const QSize image = ImageSize();
    if (!HasImage() || image.width() <= 0) return 0;
    return static_cast<int>((int64_t{view_.width()} * 100 + image.width() / 2) / image.width());
}

void ImageWindow::SetChannel(int channel) {
    if (channel == channel_) return;
    channel_ = channel;
    channelCopy_.release();
    channelCopyValid_ = false;
    sourceValid_ = false;
    update();
}

void ImageWindow::EnsureSource() {
    if (sourceValid_) return;
    sourceValid_ = true;
    source_ = QImage();
    if (!HasImage()) return;
    if (channel_ == -1) {
        source_ = ToScreenPixels(*rendering_);
        return;
    }
    if (!channelCopyValid_) {
        channelCopyValid_ = rendering_->extractChannel(channel_, channelCopy_);
        if (!channelCopyValid_) channelCopy_.release();
    }
    source_ = ToScreenPixels(channelCopyValid_ ? channelCopy_ : *rendering_);
}

const QImage& ImageWindow::Image() {
    EnsureSource();
    return source_;
}

void ImageWindow::LayOut() {
    const QSize image = ImageSize();
    laidOutImage_ = image;
    const QSize extra = ScrollBarExtra();
    view_ = view::LayoutView(rect(), zoom_, image, extra.width(), extra.height());
    if (zoom_ != 0) {
        vertical_->setGeometry(view_.right() + 1, view_.top(), extra.width(), view_.height());
        horizontal_->setGeometry(view_.left(), view_.bottom() + 1, view_.width(), extra.height());
        vertical_->show();
        horizontal_->show();
    } else {
        vertical_->hide();
        horizontal_->hide();
    }
    if (HasImage()) imageView_ = view_;
    visible_ = view::VisibleSize(zoom_, image, view_.size());
    UpdateScrollBars();
    if (host_.zoomShown) host_.zoomShown(zoom_, ShownScale());
    // The off-screen picture is made again only when the window outgrew it.
    if (cache_.width() < width() || cache_.height() < height()) cache_ = QImage();
}

void ImageWindow::UpdateScrollBars() {
    const QSize image = ImageSize();
    scroll_ = zoom_ == 0 ? QPoint() : view::ClampScroll(scroll_, image, visible_);
    const QSignalBlocker blockVertical(vertical_);
    const QSignalBlocker blockHorizontal(horizontal_);
    horizontal_->setRange(0, std::max(0, image.width() - visible_.width()));
    horizontal_->setPageStep(std::max(1, visible_.width()));
    horizontal_->setValue(scroll_.x());
    vertical_->setRange(0, std::max(0, image.height() - visible_.height()));
    vertical_->setPageStep(std::max(1, visible_.height()));
    vertical_->setValue(scroll_.y());
}

void ImageWindow::UpdateSizeLimits() {
    if (!separate_) return;
    if (!HasImage()) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        return;
    }
    const QSize extra = ScrollBarExtra();
    setMinimumSize(view::MinimumClient(ImageSize(), extra));
    setMaximumSize(view::MaximumClient(ImageSize(), extra));
}

void ImageWindow::ResizeClient(const QSize& client) {
    programmaticResize_ = true;
    resize(client.boundedTo(maximumSize()).expandedTo(minimumSize()));
    programmaticResize_ = false;
    settledSize_ = size();
}

void ImageWindow::Scroll(bool horizontal, int code, int count) {
    if (!HasImage()) return;
    if (capturing_) EndSampling();
    const QSize image = ImageSize();
    const int position = horizontal ? scroll_.x() : scroll_.y();
    const int visible = horizontal ? visible_.width() : visible_.height();
    const int maximum = (horizontal ? image.width() : image.height()) - visible;
    const int next = view::ScrollPosition(position, code, count, visible, maximum);
    if (next == position) return;
    (horizontal ? scroll_.rx() : scroll_.ry()) = next;
    UpdateScrollBars();
    // The pixels already shown move; only the uncovered strip is painted.
    const int shift = view::ScreenShift(position - next, zoom_);
    if (zoom_ >= 100) {
        if (horizontal) {
            QWidget::scroll(shift, 0, view_);
        } else {
            QWidget::scroll(0, shift, view_);
        }
    } else {
        update(view_);
    }
}

std::optional<QPoint> ImageWindow::PixelAt(const QPoint& point) const {
    if (!HasImage()) return std::nullopt;
    return view::PointToPixel(point, view_, zoom_, visible_, scroll_);
}

void ImageWindow::resizeEvent(QResizeEvent*) {
    LayOut();
    if (separate_ && !programmaticResize_ && isVisible()) {
        // A size made by the user settles when no resize has come for a moment:
        // then the aspect ratio is restored and the rectangle stored.
        resizeSettle_.start();
    } else {
        settledSize_ = size();
    }
    if (separate_ && !isMinimized() && !isMaximized()) StoreView();
}

void ImageWindow::moveEvent(QMoveEvent*) {
    if (separate_ && isVisible() && !isMinimized() && !isMaximized()) StoreView();
}

void ImageWindow::FinishUserResize() {
    if (separate_ && zoom_ == 0 && HasImage() && !isMaximized() && !isMinimized()) {
        const QSize kept = view::AspectClient(ImageSize(), size(), settledSize_);
        if (kept != size()) ResizeClient(kept);
    }
    settledSize_ = size();
    if (separate_ && !isMinimized()) StoreView();
    update();
}

void ImageWindow::StoreView() {
    if (!separate_ || !host_.storeView) return;
    if (width() <= 0 || height() <= 0) return;
    const StoredRect stored = StoredWindowRect(*this);
    normalFrame_ = QRect(stored.left, stored.top, stored.width, stored.height);
    host_.storeView(normalFrame_);
}

void ImageWindow::paintEvent(QPaintEvent* event) {
    EnsureSource();
    const QRect area = event->rect();
    if (cache_.isNull()) cache_ = QImage(size(), QImage::Format_RGB32);
    if (cache_.isNull()) {
        // No off-screen picture: paint straight onto the window.
        QPainter direct(this);
        PaintView(direct, area);
        return;
    }
    {
        QPainter offscreen(&cache_);
        PaintView(offscreen, area);
    }
    QPainter painter(this);
    painter.drawImage(area, cache_, area);
}

void ImageWindow::PaintView(QPainter& painter, const QRect& area) {
    painter.setClipRect(area);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    // An etched edge around the view, 1 pixel out on the left, right and
    // bottom and 2 above.
    qDrawShadeRect(&painter, view_.adjusted(-1, -2, 1, 1), palette(), true, 1, 0);
    if (source_.isNull() || view_.isEmpty()) return;
    const QRect image = source_.rect();
    painter.setClipRect(area & view_);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (zoom_ < 100) {
        // Fit and below 100: the visible source stretched onto the view.
        const QRect wanted(zoom_ == 0 ? QPoint() : scroll_, visible_);
        const QRect source = wanted & image;
        if (source.isEmpty() || wanted.width() <= 0 || wanted.height() <= 0) return;
        const double sx = static_cast<double>(view_.width()) / wanted.width();
        const double sy = static_cast<double>(view_.height()) / wanted.height();
        const QRectF target(view_.left() + (source.left() - wanted.left()) * sx,
                            view_.top() + (source.top() - wanted.top()) * sy, source.width() * sx,
                            source.height() * sy);
        painter.drawImage(target, source_, QRectF(source));
        return;
    }
    // 100 and above: every image pixel a square of whole screen pixels, the
    // partly visible pixel at the right and bottom edges included.
    const int factor = zoom_ / 100;
    const QRect source = QRect(scroll_, visible_ + QSize(1, 1)) & image;
    if (source.isEmpty()) return;
    const QRect target(view_.topLeft(), source.size() * factor);
    painter.drawImage(target, source_, source);
}

}  // namespace kyp
