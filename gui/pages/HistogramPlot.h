#pragma once
#include <QColor>
#include <QRect>
#include <QString>

#include "gui/pages/HistogramData.h"

class QPainter;

namespace kyp {

// The geometry of the histogram page's drawing: the histogram area (white,
// sunken) and in it the plot, 256 columns wide plus a 1-pixel border.
struct HistogramLayout {
    QRect area;
    QRect plot;  // with its border: the columns are plot shrunk by 1
};

// The area runs from 8 pixels inside the client's left and right edges, from
// 8 pixels below the channel list (listBottom, its last row) to 8 pixels
// above the group box (groupTop, its first row). The plot is centred in it
// from 12 pixels below its top to 38 pixels above the group box.
[[nodiscard]] HistogramLayout MakeHistogramLayout(const QRect& client, int listBottom, int groupTop);

// The range bar: 4 pixels wider than the plot on each side, the rows 2 to 6
// below the plot's border.
[[nodiscard]] inline QRect RangeBarRect(const QRect& plot) {
    return {plot.left() - 4, plot.bottom() + 2, plot.width() + 8, 5};
}
// The range bar and the room a sample marker takes over it.
[[nodiscard]] inline QRect RangeBarPaintRect(const QRect& plot) { return RangeBarRect(plot).adjusted(-4, 0, 4, 0); }

// Column of a value (0..1023) on the range bar: value / 4 from the plot's left edge.
[[nodiscard]] inline int RangeBarColumn(const QRect& plot, int value) { return plot.left() + value / 4; }

// What one painting shows.
struct HistogramPlotView {
    HistogramLayout layout;
    bool valid = false;                       // draw bars and ticks
    const DisplayBins* bins = nullptr;
    uint32_t scale = 0;
    const HistogramBlock* block = nullptr;    // lowest, highest, mean for the ticks
    double stdDev = 0.0;
    QString line;                             // the statistics line
    QColor face;
};

// Button face, the white sunken area, the plot with its bars, the range bar
// and the statistics line.
void PaintHistogram(QPainter& painter, const QRect& client, const HistogramPlotView& view);
// The range bar alone (white, with the ticks and the spread line of a valid set).
void PaintRangeBar(QPainter& painter, const HistogramPlotView& view);
// The sampler's marker: a filled triangle, apex at the bar's top at column
// position (0..255 from the plot's left edge), base 8 pixels on the bar's bottom.
void PaintSampleMarker(QPainter& painter, const QRect& plot, int position);

}  // namespace kyp
