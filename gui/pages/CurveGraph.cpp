#include "gui/pages/CurveGraph.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygon>

#include "engine/process/GammaTable.h"

namespace kyp {

namespace {

QRgb RampColour(int channel, int v) {
    switch (channel & 3) {
        case 1: return qRgb(v, 0, 0);
        case 2: return qRgb(0, v, 0);
        case 3: return qRgb(0, 0, v);
        default: return qRgb(v, v, v);
    }
}

}  // namespace

CurveStrips::CurveStrips() {
    for (int k = 0; k < kCount; ++k) {
        QImage strip(256, 1, QImage::Format_Indexed8);
        strips_[static_cast<size_t>(k)] = strip;
        SetPlainPalette(k);
    }
    SetRow(false, 1.0f);
}

void CurveStrips::SetPlainPalette(int k) {
    QList<QRgb> palette(256);
    for (int i = 0; i < 256; ++i) palette[i] = RampColour(k, i);
    strips_[static_cast<size_t>(k)].setColorTable(palette);
}

void CurveStrips::SetRow(bool gamma, float exponent) {
    if (gamma) {
        BuildGammaTable8(std::span<uint8_t, 256>(row_), exponent);
    } else {
        for (size_t i = 0; i < row_.size(); ++i) row_[i] = static_cast<uint8_t>(i);
    }
    for (QImage& strip : strips_) std::copy(row_.begin(), row_.end(), strip.scanLine(0));
}

void CurveStrips::SetCurvePalette(int channel, const DisplayTable& table) {
    channel &= 3;
    QList<QRgb> palette(256);
    for (int i = 0; i < 256; ++i) palette[i] = RampColour(channel, table[static_cast<size_t>(i)]);
    strips_[static_cast<size_t>(channel)].setColorTable(palette);
}

void PaintCurveGraph(QPainter& painter, const CurveGraphView& view) {
    const QRect& g = view.graph;
    const int left = g.left();
    const int bottom = g.bottom();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(FrameRect(g), view.face);

    // Grid every 32 pixels, 257 by 257 pixels with the far edges.
    for (int k = 0; k <= 8; ++k) {
        painter.fillRect(left + 32 * k, bottom - 256, 1, 257, view.highlight);
        painter.fillRect(left, bottom - 32 * k, 257, 1, view.highlight);
    }
    // The identity diagonal, every second pixel.
    for (int i = 2; i <= 254; i += 2) painter.fillRect(left + i, bottom - i, 1, 1, view.highlight);

    if (view.table != nullptr) {
        for (int x = 0; x <= 254; ++x) painter.fillRect(left + x, bottom - (*view.table)[static_cast<size_t>(x)], 1, 1, Qt::black);
    }
    if (view.curve != nullptr) {
        for (size_t i = 0; i < view.curve->Count(); ++i) {
            const QRect square = PointSquare(g, view.curve->X(i), view.curve->Y(i));
            painter.fillRect(square, Qt::black);
            if (static_cast<int>(i) != view.selected) painter.fillRect(square.adjusted(1, 1, -1, -1), Qt::white);
        }
    }
    if (view.sampled >= 0 && view.sampled <= 255 && view.table != nullptr) {
        const QRect square =
            MarkerSquare(g, view.sampled, (*view.table)[static_cast<size_t>(view.sampled)]);
        painter.setPen(Qt::black);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(square.adjusted(0, 0, -1, -1));
    }
    // Stretched pixel for pixel, no smoothing.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (view.curveStrip != nullptr) painter.drawImage(StripRect(g, 0), *view.curveStrip);
    if (view.plainStrip != nullptr) painter.drawImage(StripRect(g, 1), *view.plainStrip);
    painter.restore();
}

QCursor DeletePointCursor() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, true);
    // An arrow pointing to the top-left corner.
    const QPolygon arrow({QPoint(1, 1), QPoint(1, 17), QPoint(5, 13), QPoint(8, 20), QPoint(11, 19), QPoint(8, 12),
                          QPoint(13, 12)});
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawPolygon(arrow);
    // The red cross: the point goes.
    painter.setPen(QPen(QColor(0xD0, 0x10, 0x10), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(17, 17, 28, 28);
    painter.drawLine(28, 17, 17, 28);
    painter.end();
    return QCursor(pixmap, 1, 1);
}

}  // namespace kyp
