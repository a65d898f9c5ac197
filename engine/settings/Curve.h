#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kyp {

// A tone curve: control points on the 0..255 square, kept in the order they
// were added or read (the curves editor keeps them sorted by x; nothing here
// sorts). Each point is one 32-bit value, input x in the low 16 bits and output
// y in the high 16 bits, as in the stored forms.
class Curve {
public:
    // The identity curve: (0,0) and (255,255).
    Curve() { Reset(); }

    [[nodiscard]] static constexpr uint32_t Pack(uint32_t x, uint32_t y) { return (y & 0xFFFFu) << 16 | (x & 0xFFFFu); }
    [[nodiscard]] static constexpr int PointX(uint32_t point) { return static_cast<int>(point & 0xFFFFu); }
    [[nodiscard]] static constexpr int PointY(uint32_t point) { return static_cast<int>(point >> 16); }

    // Empties the curve and adds (0,0) and (255,255); keeps room for 256 points.
    void Reset();
    // Empties the curve; capacity grows to the next power of two from 8 up
    // when expectedCount exceeds it.
    void Clear(size_t expectedCount = 0);

    // Adds a point at the end; each coordinate is truncated to 16 bits.
    void AddPoint(int x, int y) { points_.push_back(Pack(static_cast<uint32_t>(x), static_cast<uint32_t>(y))); }
    void AddPoint(uint32_t packed) { points_.push_back(packed); }
    // Editing for the curves editor; an index outside the list does nothing.
    void InsertPoint(size_t index, int x, int y);
    void SetPoint(size_t index, int x, int y);
    void RemovePoint(size_t index);

    [[nodiscard]] size_t Count() const { return points_.size(); }
    [[nodiscard]] uint32_t Point(size_t index) const { return points_[index]; }
    [[nodiscard]] int X(size_t index) const { return PointX(points_[index]); }
    [[nodiscard]] int Y(size_t index) const { return PointY(points_[index]); }
    [[nodiscard]] const uint32_t* Points() const { return points_.data(); }

    // Exactly the two points (0,0) and (255,255).
    [[nodiscard]] bool IsIdentity() const;

    // Curve text: the count, ":", then "x,y" per point separated by one space.
    // The identity curve reads 2:0,0 255,255.
    [[nodiscard]] std::string WriteText() const;
    // Reads a zero-terminated curve text (a null text reads as an empty one).
    // Tolerant: a count larger than the points present gives the points that
    // are there; each coordinate is truncated to 16 bits; nothing else is
    // checked.
    void ReadText(const char* text);

    bool operator==(const Curve& other) const { return points_ == other.points_; }

private:
    std::vector<uint32_t> points_;
};

// The four curves, in the fixed order master ("RGB"), red, green, blue.
inline constexpr int kCurveCount = 4;
using CurveArray = std::array<Curve, kCurveCount>;
namespace curve {
inline constexpr int master = 0;
inline constexpr int red = 1;
inline constexpr int green = 2;
inline constexpr int blue = 3;
}  // namespace curve

void ResetCurves(CurveArray& curves);

}  // namespace kyp
