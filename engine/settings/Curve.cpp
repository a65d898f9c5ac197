#include "engine/settings/Curve.h"

#include <algorithm>

#include "engine/settings/NumberText.h"

namespace kyp {

namespace {

constexpr size_t kResetCapacity = 256;

// The stored forms keep growing capacity in powers of two from 8.
size_t GrownCapacity(size_t wanted) {
    size_t capacity = 8;
    while (capacity < wanted) capacity *= 2;
    return capacity;
}

}  // namespace

void Curve::Reset() {
    points_.clear();
    if (points_.capacity() < kResetCapacity) points_.reserve(kResetCapacity);
    AddPoint(0, 0);
    AddPoint(255, 255);
}

void Curve::Clear(size_t expectedCount) {
    points_.clear();
    if (expectedCount > points_.capacity()) points_.reserve(GrownCapacity(expectedCount));
}

void Curve::InsertPoint(size_t index, int x, int y) {
    if (index > points_.size()) return;
    points_.insert(points_.begin() + static_cast<std::ptrdiff_t>(index),
                   Pack(static_cast<uint32_t>(x), static_cast<uint32_t>(y)));
}

void Curve::SetPoint(size_t index, int x, int y) {
    if (index < points_.size()) points_[index] = Pack(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
}

void Curve::RemovePoint(size_t index) {
    if (index < points_.size()) points_.erase(points_.begin() + static_cast<std::ptrdiff_t>(index));
}

bool Curve::IsIdentity() const {
    return points_.size() == 2 && points_[0] == Pack(0, 0) && points_[1] == Pack(255, 255);
}

std::string Curve::WriteText() const {
    std::string text;
    text.reserve(2 + points_.size() * 8);
    numtext::AppendInt(text, static_cast<int64_t>(points_.size()));
    text += ':';
    for (size_t i = 0; i < points_.size(); ++i) {
        if (i > 0) text += ' ';
        numtext::AppendInt(text, X(i));
        text += ',';
        numtext::AppendInt(text, Y(i));
    }
    return text;
}

void Curve::ReadText(const char* text) {
    if (!text) text = "";
    int32_t count = 0;
    const char* p = numtext::ParseInt(text, count);
    // Every point needs at least four characters (separator, x, separator, y),
    // so a count beyond that cannot be met: reserve only what the text can hold.
    size_t length = 0;
    while (p[length]) ++length;
    const size_t possible = length / 4 + 1;
    Clear(count > 0 ? std::min(static_cast<size_t>(count), possible) : 0);
    for (int32_t i = 0; i < count && *p; ++i) {
        int32_t x = 0;
        int32_t y = 0;
        ++p;  // the ":" or " "
        if (!*p) break;
        p = numtext::ParseInt(p, x);
        if (*p) ++p;  // the ","
        p = numtext::ParseInt(p, y);
        AddPoint(x, y);
    }
}

void ResetCurves(CurveArray& curves) {
    for (Curve& c : curves) c.Reset();
}

}  // namespace kyp
