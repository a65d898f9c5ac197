#include "engine/settings/CurveTable.h"

#include <algorithm>

#include "platform/MulDiv.h"

namespace kyp {

namespace {

// Catmull-Rom segments are drawn in this many equal steps of t.
constexpr int kSegmentSteps = 1400;

struct ScaledPoint {
    int x;
    int y;
};

// One table of size entries over 0..size-1; points are on 0..255.
template <typename Entry>
class TableBuilder {
public:
    TableBuilder(Entry* table, int size) : table_(table), max_(size - 1) {}

    void Build(const uint32_t* points, int count) {
        if (count <= 0 || !points) {
            for (int i = 0; i <= max_; ++i) table_[i] = static_cast<Entry>(i);
            return;
        }
        const ScaledPoint first = Scale(points[0]);
        Fill(0, first.x, first.y);
        if (count == 2) {
            Line(first, Scale(points[1]));
        } else {
            for (int i = 0; i + 1 < count; ++i) {
                const ScaledPoint p0 = Scale(points[i > 0 ? i - 1 : 0]);
                const ScaledPoint p3 = Scale(points[i + 2 < count ? i + 2 : count - 1]);
                Segment(p0, Scale(points[i]), Scale(points[i + 1]), p3);
            }
        }
        const ScaledPoint last = Scale(points[count - 1]);
        Fill(last.x, max_ + 1, last.y);
    }

private:
    // 0..255 to 0..max with integer division (255 maps to max, 128 to 513 for 1023).
    ScaledPoint Scale(uint32_t point) const {
        return {Curve::PointX(point) * max_ / 255, Curve::PointY(point) * max_ / 255};
    }
    int Clamp(int64_t v) const { return static_cast<int>(std::clamp<int64_t>(v, 0, max_)); }
    void Set(int x, int64_t y) { table_[Clamp(x)] = static_cast<Entry>(Clamp(y)); }
    // Entries [from, to) become y; the range is cut to the table.
    void Fill(int from, int to, int y) {
        from = std::max(from, 0);
        to = std::min(to, max_ + 1);
        for (int x = from; x < to; ++x) Set(x, y);
    }

    void Line(ScaledPoint a, ScaledPoint b) {
        const int to = std::min(b.x, max_ + 1);
        for (int x = a.x; x < to; ++x) Set(x, int64_t{MulDiv(x - a.x, b.y - a.y, b.x - a.x)} + a.y);
    }

    // Forward differencing of one Catmull-Rom segment between p1 and p2.
    void Segment(ScaledPoint p0, ScaledPoint p1, ScaledPoint p2, ScaledPoint p3) {
        constexpr double d = 1.0 / kSegmentSteps;
        constexpr double d2 = d * d;
        constexpr double d3 = d2 * d;
        struct Axis {
            double f, df, d2f, d3f;
        };
        auto axis = [](double g0, double g1, double g2, double g3) {
            // Basis rows, highest power of t first.
            const double a = -0.5 * g0 + 1.5 * g1 - 1.5 * g2 + 0.5 * g3;
            const double b = 1.0 * g0 - 2.5 * g1 + 2.0 * g2 - 0.5 * g3;
            const double c = -0.5 * g0 + 0.0 * g1 + 0.5 * g2 + 0.0 * g3;
            const double e = 0.0 * g0 + 1.0 * g1 + 0.0 * g2 + 0.0 * g3;
            return Axis{e, d3 * a + d2 * b + d * c, 6 * d3 * a + 2 * d2 * b, 6 * d3 * a};
        };
        Axis x = axis(p0.x, p1.x, p2.x, p3.x);
        Axis y = axis(p0.y, p1.y, p2.y, p3.y);

        int lastX = Clamp(static_cast<int64_t>(x.f));
        int lastY = Clamp(static_cast<int64_t>(y.f));
        table_[lastX] = static_cast<Entry>(lastY);
        for (int step = 0; step < kSegmentSteps; ++step) {
            x.f += x.df;
            x.df += x.d2f;
            x.d2f += x.d3f;
            y.f += y.df;
            y.df += y.d2f;
            y.d2f += y.d3f;
            const int ix = Round(x.f);
            const int iy = Round(y.f);
            if (ix != lastX || iy != lastY) {
                table_[ix] = static_cast<Entry>(iy);
                lastX = ix;
                lastY = iy;
            }
        }
    }
    // 0.5 added, then truncated toward zero, then clamped. The coordinates stay
    // within a few times 0..262,000, far inside the int64 range.
    int Round(double v) const { return Clamp(static_cast<int64_t>(v + 0.5)); }

    Entry* table_;
    int max_;
};

}  // namespace

void BuildCurveTable(uint16_t* table, const uint32_t* points, int count) {
    if (!table) return;
    TableBuilder<uint16_t>(table, kCurveTableSize).Build(points, count);
}

void BuildCurveTable(uint16_t* table, const Curve& curve) {
    BuildCurveTable(table, curve.Points(), static_cast<int>(std::min<size_t>(curve.Count(), INT32_MAX)));
}

void BuildCurveTable8(uint8_t* table, const Curve& curve) {
    if (!table) return;
    TableBuilder<uint8_t>(table, 256).Build(curve.Points(), static_cast<int>(std::min<size_t>(curve.Count(), INT32_MAX)));
}

void BuildCurveSet(const CurveArray& curves, uint16_t* const storage[kCurveCount],
                   const uint16_t* tables[kCurveCount]) {
    for (int i = 0; i < kCurveCount; ++i) {
        const Curve& c = curves[static_cast<size_t>(i)];
        if (storage && storage[i] && !c.IsIdentity()) {
            BuildCurveTable(storage[i], c);
            tables[i] = storage[i];
        } else {
            tables[i] = nullptr;
        }
    }
}

CurveSet& CurveSet::operator=(const CurveSet& other) {
    if (this == &other) return *this;
    storage_ = other.storage_;
    for (size_t i = 0; i < pointers_.size(); ++i) pointers_[i] = other.pointers_[i] ? storage_[i].data() : nullptr;
    return *this;
}

void CurveSet::Build(const CurveArray& curves) {
    uint16_t* storage[kCurveCount];
    for (size_t i = 0; i < storage_.size(); ++i) storage[i] = storage_[i].data();
    BuildCurveSet(curves, storage, pointers_.data());
}

}  // namespace kyp
