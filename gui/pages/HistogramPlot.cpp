#include "gui/pages/HistogramPlot.h"

#include <QPainter>
#include <QPalette>
#include <QPolygon>
#include <qdrawutil.h>

#include <algorithm>

namespace kyp {

HistogramLayout MakeHistogramLayout(const QRect& client, int listBottom, int groupTop) {
    HistogramLayout layout;
    layout.area = QRect(QPoint(client.left() + 8, listBottom + 1 + 8), QPoint(client.right() - 8, groupTop - 1 - 8));
    const int left = layout.area.left() + (layout.area.width() - 256) / 2;
    const int top = layout.area.top() + 12;
    const int bottom = std::max(top, groupTop - 38 - 1);
    layout.plot = QRect(QPoint(left, top), QPoint(left + 255, bottom)).adjusted(-1, -1, 1, 1);
    return layout;
}

void PaintRangeBar(QPainter& painter, const HistogramPlotView& view) {
    const QRect& plot = view.layout.plot;
    const QRect bar = RangeBarRect(plot);
    painter.fillRect(bar, Qt::white);
    if (!view.valid || view.block == nullptr || view.block->lowestValue > 1023) return;
    const HistogramBlock& block = *view.block;
    for (uint32_t value : {block.lowestValue, block.highestValue, block.mean}) {
        painter.fillRect(RangeBarColumn(plot, static_cast<int>(std::min<uint32_t>(value, 1023))), bar.top(), 1,
                         bar.height(), Qt::black);
    }
    const int mean = RangeBarColumn(plot, static_cast<int>(std::min<uint32_t>(block.mean, 1023)));
    const double spread = std::clamp(view.stdDev + 0.5, 0.0, 4096.0);
    const int reach = static_cast<int>(spread) / 4;
    painter.fillRect(mean - reach, bar.top() + bar.height() / 2, 2 * reach + 1, 1, Qt::black);
}

void PaintHistogram(QPainter& painter, const QRect& client, const HistogramPlotView& view) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(client, view.face);
    const QRect& area = view.layout.area;
    painter.fillRect(area, Qt::white);
    QPalette edge;
    edge.setColor(QPalette::Light, Qt::white);
    edge.setColor(QPalette::Midlight, view.face);
    edge.setColor(QPalette::Mid, view.face.darker(130));
    edge.setColor(QPalette::Dark, view.face.darker(160));
    edge.setColor(QPalette::Shadow, Qt::black);
    qDrawWinPanel(&painter, area, edge, true);
    const QRect& plot = view.layout.plot;
    painter.fillRect(plot, QColor(0xE0, 0xE0, 0xE0));

    if (view.valid && view.bins != nullptr) {
        const QRect inner = plot.adjusted(1, 1, -1, -1);
        const int height = inner.height();
        for (int i = 0; i < 256 && i < inner.width(); ++i) {
            const int bar = BarHeight((*view.bins)[static_cast<size_t>(i)], height, view.scale);
            if (bar > 0) painter.fillRect(inner.left() + i, inner.bottom() - bar + 1, 1, bar, Qt::black);
        }
    }
    PaintRangeBar(painter, view);

    if (!view.line.isEmpty()) {
        painter.setPen(Qt::black);
        const QRect text(area.left(), area.top(), area.width(), std::max(0, area.height() - 6));
        painter.drawText(text, Qt::AlignHCenter | Qt::AlignBottom | Qt::TextSingleLine, view.line);
    }
    painter.restore();
}

void PaintSampleMarker(QPainter& painter, const QRect& plot, int position) {
    if (position < 0) return;
    const QRect bar = RangeBarRect(plot);
    const int x = plot.left() + std::min(position, 255);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::black);
    painter.drawPolygon(QPolygon({QPoint(x, bar.top()), QPoint(x - 4, bar.bottom()), QPoint(x + 4, bar.bottom())}));
    painter.restore();
}

}  // namespace kyp
