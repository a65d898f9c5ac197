#include "gui/view/Cursors.h"

#include <QPainter>
#include <QPixmap>

#include <functional>

namespace kyp {

namespace {

constexpr int kSide = 32;

// Draws with a white outline under a black line, so the shape shows on any image.
QCursor Make(const std::function<void(QPainter&)>& draw, int hotX, int hotY) {
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 3));
    draw(painter);
    painter.setPen(QPen(Qt::black, 1));
    draw(painter);
    painter.end();
    return QCursor(pixmap, hotX, hotY);
}

void Crosshair(QPainter& painter, int gap) {
    const int c = kSide / 2;
    painter.drawLine(c, 3, c, c - gap);
    painter.drawLine(c, c + gap, c, kSide - 4);
    painter.drawLine(3, c, c - gap, c);
    painter.drawLine(c + gap, c, kSide - 4, c);
}

}  // namespace

const QCursor& SamplingCursor() {
    static const QCursor cursor = Make(
        [](QPainter& painter) {
            Crosshair(painter, 0);
            painter.drawRect(kSide / 2 - 3, kSide / 2 - 3, 6, 6);
        },
        kSide / 2, kSide / 2);
    return cursor;
}

const QCursor& ImageCursor() {
    static const QCursor cursor = Make([](QPainter& painter) { Crosshair(painter, 4); }, kSide / 2, kSide / 2);
    return cursor;
}

const QCursor& WhiteBalanceCursor() {
    static const QCursor cursor = Make(
        [](QPainter& painter) {
            // A dropper from the bottom-left tip up to its bulb.
            painter.drawLine(2, 29, 14, 17);
            painter.drawLine(4, 29, 16, 17);
            painter.drawEllipse(16, 8, 8, 8);
            painter.drawLine(13, 14, 18, 19);
        },
        2, 29);
    return cursor;
}

const QCursor& LoupeCursor() {
    static const QCursor cursor = Make(
        [](QPainter& painter) {
            painter.drawEllipse(6, 6, 14, 14);
            painter.drawLine(19, 19, 27, 27);
            painter.drawLine(13, 10, 13, 16);
            painter.drawLine(10, 13, 16, 13);
        },
        13, 13);
    return cursor;
}

}  // namespace kyp
