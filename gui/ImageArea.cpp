#include "gui/ImageArea.h"

#include <QMouseEvent>
#include <QPainter>

#include <cstring>

#include "engine/output/Bitmap.h"

namespace kyp {

QImage ImageFromBitmap(const Bitmap& bitmap) {
    if (!bitmap.hasPixels() || bitmap.width() <= 0 || bitmap.height() <= 0) return {};
    const bool grey = bitmap.bitsPerPixel() == 8;
    QImage image(bitmap.width(), bitmap.height(), grey ? QImage::Format_Grayscale8 : QImage::Format_BGR888);
    if (image.isNull()) return {};
    const size_t rowBytes = static_cast<size_t>(bitmap.width()) * (grey ? 1 : 3);
    for (int32_t y = 0; y < bitmap.height(); ++y) std::memcpy(image.scanLine(y), bitmap.row(y), rowBytes);
    return image;
}

ImageArea::ImageArea(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("imageArea"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ImageArea::SetImage(const QImage& image) {
    image_ = image;
    scaled_ = QPixmap();
    update();
}

void ImageArea::Clear() { SetImage(QImage()); }

QRect ImageArea::ViewRect() const {
    const QRect client = rect();
    if (image_.isNull() || client.isEmpty()) return client;
    const int w = image_.width();
    const int h = image_.height();
    const int fullWidthHeight = static_cast<int>(static_cast<int64_t>(h) * client.width() / w);
    const int fullHeightWidth = static_cast<int>(static_cast<int64_t>(client.height()) * w / h);
    QRect view = fullHeightWidth <= client.width() ? QRect(0, 0, fullHeightWidth, client.height())
                                                   : QRect(0, 0, client.width(), fullWidthHeight);
    view.moveLeft((client.width() - view.width()) / 2);
    return view;
}

void ImageArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    if (image_.isNull()) return;
    const QRect view = ViewRect();
    if (view.isEmpty()) return;
    // Scaling a full rendering costs tens of milliseconds: done once per size.
    if (scaled_.size() != view.size()) {
        scaled_ = QPixmap::fromImage(image_.scaled(view.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    painter.drawPixmap(view.topLeft(), scaled_);
}

void ImageArea::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && onDoubleClick) onDoubleClick();
}

}  // namespace kyp
