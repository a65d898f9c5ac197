#pragma once
#include <QColor>
#include <QCursor>
#include <QImage>
#include <QRect>

#include <array>

#include "gui/pages/CurveEditing.h"

class QPainter;

namespace kyp {

// The eight gradient strips under the curve graph: 256 by 1 pixel indexed
// images sharing one pixel row. Strip k ramps channel k mod 4 (0 grey, 1 red,
// 2 green, 3 blue). Strips 0..3 show a channel's ramp through its curve once
// SetCurvePalette has run for it; strips 4..7 keep the plain ramps.
class CurveStrips {
public:
    static constexpr int kCount = 8;

    CurveStrips();

    // The shared row: value i at position i, or with gamma on, entry i of the
    // 8-bit gamma table for exponent.
    void SetRow(bool gamma, float exponent);
    // Rebuilds strip channel's palette through the display table: for 0 (RGB)
    // every component of entry i is table[i], for 1..3 only that component.
    void SetCurvePalette(int channel, const DisplayTable& table);

    [[nodiscard]] const QImage& Strip(int k) const { return strips_[static_cast<size_t>(k & 7)]; }
    [[nodiscard]] const std::array<uint8_t, 256>& Row() const { return row_; }

private:
    void SetPlainPalette(int k);

    std::array<uint8_t, 256> row_{};
    std::array<QImage, kCount> strips_;
};

// Everything the graph drawing needs. The graph is 256 by 256 pixels:
// input x at column graph.left() + x, output y at row graph.bottom() - y.
struct CurveGraphView {
    QRect graph;
    const Curve* curve = nullptr;
    const DisplayTable* table = nullptr;
    int selected = -1;
    int sampled = -1;  // sampled input 0..255, or -1 for none
    const QImage* curveStrip = nullptr;
    const QImage* plainStrip = nullptr;
    QColor face;       // button face
    QColor highlight;  // button highlight
};

// The graph placed with its top-left at (left, top).
[[nodiscard]] inline QRect GraphRect(int left, int top) { return {left, top, 256, 256}; }
// The frame around the graph: the graph grown by 2 pixels.
[[nodiscard]] inline QRect FrameRect(const QRect& graph) { return graph.adjusted(-2, -2, 2, 2); }
// Strip 0 (the curve's) and 1 (the plain ramp): 257 by 10 pixels, the first 4
// pixels below the graph's bottom, the second right under it.
[[nodiscard]] inline QRect StripRect(const QRect& graph, int strip) {
    return {graph.left(), graph.bottom() + 4 + 10 * strip, 257, 10};
}
// Everything the graph paints: the frame, the marker's overhang and the strips.
[[nodiscard]] inline QRect GraphPaintRect(const QRect& graph) {
    return FrameRect(graph).adjusted(-1, -1, 1, 0).united(StripRect(graph, 1));
}
// The 4 by 4 square of a point, and the 6 by 6 square of the sample marker.
[[nodiscard]] inline QRect PointSquare(const QRect& graph, int x, int y) {
    return {graph.left() + x - 2, graph.bottom() - y - 2, 4, 4};
}
[[nodiscard]] inline QRect MarkerSquare(const QRect& graph, int x, int y) {
    return {graph.left() + x - 3, graph.bottom() - y - 3, 6, 6};
}

// Draws the frame, grid, diagonal, curve, points, sample marker and the two
// strips.
void PaintCurveGraph(QPainter& painter, const CurveGraphView& view);

// The cursor over a point that a release would delete (our own artwork: an
// arrow with a red cross).
[[nodiscard]] QCursor DeletePointCursor();

}  // namespace kyp
