#pragma once
#include <array>
#include <cstdint>

#include "engine/settings/Curve.h"

namespace kyp {

// Tone tables over the 10-bit sample range.
inline constexpr int kCurveTableSize = 1024;

// Fills the 1024 entries of table from count points on the 0..255 square.
// Coordinates are scaled to 0..1023 (v * 1023 / 255, truncated). Entries left
// of the first point take its y, entries from the last point on take the last
// y; between them two points are joined by a straight line (MulDiv rounding)
// and more points by Catmull-Rom segments drawn by forward differencing.
// Entries that no step reaches keep their contents. Every entry written lies
// in 0..1023 whatever the points are (points outside 0..255 are clamped to the
// table, never written outside it). No point fills the identity table.
void BuildCurveTable(uint16_t* table, const uint32_t* points, int count);
void BuildCurveTable(uint16_t* table, const Curve& curve);

// The same curve on the 8-bit scale (256 entries 0..255), for displays.
void BuildCurveTable8(uint8_t* table, const Curve& curve);

// For each curve: when its storage is present and the curve is not the
// identity, builds the table into the storage and points tables[i] at it;
// otherwise tables[i] becomes null (absent, meaning identity).
void BuildCurveSet(const CurveArray& curves, uint16_t* const storage[kCurveCount],
                   const uint16_t* tables[kCurveCount]);

// Owner of a curve set: the four optional tables (master, red, green, blue)
// that the pipeline borrows as `const uint16_t* tables[4]`, null = absent.
class CurveSet {
public:
    CurveSet() = default;
    explicit CurveSet(const CurveArray& curves) { Build(curves); }
    CurveSet(const CurveSet& other) { *this = other; }
    CurveSet& operator=(const CurveSet& other);

    // Rebuilds every table from the curves; identity curves give absent tables.
    void Build(const CurveArray& curves);
    // Makes every table absent.
    void Clear() { pointers_ = {}; }

    [[nodiscard]] const uint16_t* Table(int index) const { return pointers_[static_cast<size_t>(index)]; }
    // The four pointers, in the order master, red, green, blue.
    [[nodiscard]] const uint16_t* const* Tables() const { return pointers_.data(); }
    [[nodiscard]] bool Any() const { return pointers_[0] || pointers_[1] || pointers_[2] || pointers_[3]; }

private:
    std::array<std::array<uint16_t, kCurveTableSize>, kCurveCount> storage_{};
    std::array<const uint16_t*, kCurveCount> pointers_{};
};

}  // namespace kyp
