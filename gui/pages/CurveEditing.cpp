#include "gui/pages/CurveEditing.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "engine/process/Histogram.h"
#include "engine/process/Levels.h"
#include "engine/settings/CurveTable.h"

namespace kyp {

namespace {

int Limit255(int v) { return std::clamp(v, 0, 255); }

int SquaredDistance(int dx, int dy) { return dx * dx + dy * dy; }

// The range point index may move in: from the previous point's x to the next
// point's x (0 and 255 at the ends).
std::pair<int, int> XRange(const Curve& curve, int index) {
    const int count = static_cast<int>(curve.Count());
    int low = index > 0 ? curve.X(static_cast<size_t>(index - 1)) : 0;
    int high = index + 1 < count ? curve.X(static_cast<size_t>(index + 1)) : 255;
    low = Limit255(low);
    high = Limit255(high);
    if (low > high) std::swap(low, high);
    return {low, high};
}

}  // namespace

int CurveHitTest(const Curve& curve, const DisplayTable& table, int selected, int x, int y, bool insideFrame,
                 bool insideGraph) {
    if (!insideFrame || curve.Count() == 0) return hit::nothing;
    const int count = static_cast<int>(curve.Count());
    if (selected >= 0 && selected < count) {
        const size_t s = static_cast<size_t>(selected);
        if (std::abs(x - curve.X(s)) < kPointReach && std::abs(y - curve.Y(s)) < kPointReach) return selected;
    }
    if (x <= curve.X(0)) return 0;
    if (x >= curve.X(static_cast<size_t>(count - 1))) return count - 1;

    int best = -1;
    int bestDistance = 0;
    for (int i = 0; i < count; ++i) {
        const int dx = x - curve.X(static_cast<size_t>(i));
        const int dy = y - curve.Y(static_cast<size_t>(i));
        if (std::abs(dx) >= kPointReach || std::abs(dy) >= kPointReach) continue;
        const int distance = SquaredDistance(dx, dy);
        if (best < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    if (best >= 0) return best;

    if (insideGraph) {
        for (int i = 0; i < 256; ++i) {
            if (SquaredDistance(x - i, y - table[static_cast<size_t>(i)]) < kCurveReach * kCurveReach) return hit::curve;
        }
    }
    return hit::nothing;
}

int InsertionIndex(const Curve& curve, int x, bool ctrl) {
    for (size_t i = 0; i < curve.Count(); ++i) {
        if (std::abs(curve.X(i) - x) < 3) return -1;
    }
    if (ctrl) return -1;
    for (size_t i = 0; i < curve.Count(); ++i) {
        if (curve.X(i) > x + 2) return static_cast<int>(i);
    }
    return -1;
}

std::pair<int, int> LimitPoint(const Curve& curve, int index, int x, int y) {
    if (index < 0 || static_cast<size_t>(index) >= curve.Count()) return {Limit255(x), Limit255(y)};
    const auto [low, high] = XRange(curve, index);
    return {std::clamp(x, low, high), Limit255(y)};
}

int DeleteCurvePoint(Curve& curve, int index) {
    const int count = static_cast<int>(curve.Count());
    if (index < 0 || index >= count) return -1;
    if (index == 0) {
        curve.SetPoint(0, 0, 0);
        return index;
    }
    if (index == count - 1) {
        curve.SetPoint(static_cast<size_t>(index), 255, 255);
        return index;
    }
    curve.RemovePoint(static_cast<size_t>(index));
    return -1;
}

int WheelStep(int delta, bool shift, bool alt) {
    if (shift) return delta > 0 ? 1 : delta < 0 ? -1 : 0;
    return alt ? delta / 12 : delta / 24;
}

std::pair<int, int> WheelMovedPoint(const Curve& curve, int index, int step, bool horizontal) {
    if (index < 0 || static_cast<size_t>(index) >= curve.Count()) return {0, 0};
    const size_t i = static_cast<size_t>(index);
    // Steps come from wheel deltas; keep the sums far from overflow.
    step = std::clamp(step, -1024, 1024);
    if (horizontal) return LimitPoint(curve, index, curve.X(i) + step, curve.Y(i));
    return {curve.X(i), Limit255(curve.Y(i) + step)};
}

bool NormaliseCurve(Curve& curve) {
    if (curve.Count() == 0) {
        curve.Reset();
        return true;
    }
    std::vector<uint32_t> points(curve.Points(), curve.Points() + curve.Count());
    for (uint32_t& point : points) {
        point = Curve::Pack(static_cast<uint32_t>(Limit255(Curve::PointX(point))),
                            static_cast<uint32_t>(Limit255(Curve::PointY(point))));
    }
    std::stable_sort(points.begin(), points.end(),
                     [](uint32_t a, uint32_t b) { return Curve::PointX(a) < Curve::PointX(b); });
    if (std::equal(points.begin(), points.end(), curve.Points())) return false;
    curve.Clear(points.size());
    for (uint32_t point : points) curve.AddPoint(point);
    return true;
}

void BuildDisplayTable(const Curve& curve, DisplayTable& table) {
    for (size_t i = 0; i < table.size(); ++i) table[i] = static_cast<uint8_t>(i);
    BuildCurveTable8(table.data(), curve);
}

void AutoCurve(Curve& curve, const HistogramRecord& record, int block, int32_t darkThreshold,
               int32_t brightThreshold) {
    const LevelPoints points = FindLevelPoints(block, record, darkThreshold, brightThreshold);
    const int dark = To8Bit(points.low);
    const int bright = std::max(dark, To8Bit(points.high));
    curve.Clear(2);
    curve.AddPoint(dark, 0);
    curve.AddPoint(bright, 255);
}

}  // namespace kyp
