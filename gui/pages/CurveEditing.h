#pragma once
#include <array>
#include <cstdint>
#include <utility>

#include "engine/settings/Curve.h"

namespace kyp {

struct HistogramRecord;

// The editing rules of the curves editor, free of any widget so that they can
// be checked on their own. Coordinates are on the graph: x = input (0 at the
// graph's left edge), y = output (0 at the graph's bottom edge).
//
// An editable curve has at least one point, every coordinate in 0..255 and
// its points in non-decreasing x. Every operation here keeps that, and
// NormaliseCurve makes any curve from outside (a file, the store) editable.

// The curve on the 8-bit scale for the display.
using DisplayTable = std::array<uint8_t, 256>;

// Answers of CurveHitTest besides a point index.
namespace hit {
inline constexpr int curve = -1;    // on (or near) the curve
inline constexpr int nothing = -2;
}  // namespace hit

// Distances of the hit test: a point is hit when both |dx| and |dy| are below
// kPointReach; the curve when some (i, table[i]) lies closer than kCurveReach.
inline constexpr int kPointReach = 11;
inline constexpr int kCurveReach = 35;

// insideFrame / insideGraph tell where the pointer is on the page; selected is
// the selected point's index or -1. Returns a point index, hit::curve or
// hit::nothing.
[[nodiscard]] int CurveHitTest(const Curve& curve, const DisplayTable& table, int selected, int x, int y,
                               bool insideFrame, bool insideGraph);

// Where a point at input x would be inserted, or -1 when none may be: not
// within 2 of an existing point's x, not with Ctrl held, and only before an
// existing point (so only between existing points).
[[nodiscard]] int InsertionIndex(const Curve& curve, int x, bool ctrl);

// (x, y) limited for point index: x between its neighbours' x (0 and 255 at
// the ends), y to 0..255.
[[nodiscard]] std::pair<int, int> LimitPoint(const Curve& curve, int index, int x, int y);

// Deletes point index: the first point becomes (0, 0) and the last (255, 255)
// instead. Returns the selection afterwards: index when the point stayed, -1
// when it was removed or index was out of range.
int DeleteCurvePoint(Curve& curve, int index);

// The wheel's step: 1 in the wheel's direction with Shift, else delta / 24
// (delta / 12 with Alt); 5 (10) per notch of 120.
[[nodiscard]] int WheelStep(int delta, bool shift, bool alt);

// The point moved by the wheel: with horizontal its x by step, else its y;
// x keeps between the neighbours so the order holds, y within 0..255.
[[nodiscard]] std::pair<int, int> WheelMovedPoint(const Curve& curve, int index, int step, bool horizontal);

// Makes a curve editable: no point gives the identity, coordinates are limited
// to 0..255 and the points are sorted by x (stable: equal x keep their order).
// True when the curve changed.
bool NormaliseCurve(Curve& curve);

// The curve's display table: the table builder on the 8-bit scale (entries no
// segment reaches keep the identity).
void BuildDisplayTable(const Curve& curve, DisplayTable& table);

// 0..1023 to 0..255: (v + 2) / 4, at most 255.
[[nodiscard]] constexpr int To8Bit(int v) { return v < 0 ? 0 : (v + 2) / 4 > 255 ? 255 : (v + 2) / 4; }

// The automatic curve of one histogram block (0 luminance .. 3 blue): exactly
// the two points (dark, 0) and (bright, 255), the level points of the block
// for the thresholds on the 8-bit scale.
void AutoCurve(Curve& curve, const HistogramRecord& record, int block, int32_t darkThreshold,
               int32_t brightThreshold);

}  // namespace kyp
