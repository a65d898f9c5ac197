#include "engine/settings/AcvFile.h"

#include "engine/core/ByteView.h"
#include "platform/FileContents.h"

namespace kyp {

namespace {

constexpr uint16_t kAcvVersion = 1;
// An .acv of four curves of 65535 points each is about 1 MiB; anything much
// larger is not a curve file.
constexpr size_t kMaxAcvFileSize = 4u << 20;
constexpr uint32_t kMaxCoordinate = 255;

void PutWord(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

}  // namespace

bool ReadAcvData(const uint8_t* data, size_t length, CurveArray& curves) {
    const ByteView view(data, data ? length : 0);
    uint16_t version = 0;
    uint16_t curveCount = 0;
    if (!view.u16(0, true, version) || version != kAcvVersion) return false;
    if (!view.u16(2, true, curveCount)) return false;

    // Check every curve that will be read before touching any of them.
    const int readCount = curveCount < kCurveCount ? curveCount : kCurveCount;
    uint64_t offset = 4;
    uint64_t curveStart[kCurveCount] = {};
    uint16_t pointCount[kCurveCount] = {};
    for (int c = 0; c < readCount; ++c) {
        if (!view.u16(offset, true, pointCount[c]) || pointCount[c] == 0) return false;
        curveStart[c] = offset + 2;
        const uint8_t* points = view.at(curveStart[c], uint64_t{pointCount[c]} * 4);
        if (!points) return false;
        for (uint32_t i = 0; i < uint32_t{pointCount[c]} * 2; ++i)
            if ((uint32_t{points[2 * i]} << 8 | points[2 * i + 1]) > kMaxCoordinate) return false;
        offset = curveStart[c] + uint64_t{pointCount[c]} * 4;
    }

    for (int c = 0; c < readCount; ++c) {
        Curve& curve = curves[static_cast<size_t>(c)];
        curve.Clear(pointCount[c]);
        const uint8_t* p = view.at(curveStart[c], uint64_t{pointCount[c]} * 4);
        for (uint32_t i = 0; i < pointCount[c]; ++i, p += 4) {
            const int y = p[0] << 8 | p[1];
            const int x = p[2] << 8 | p[3];
            curve.AddPoint(x, y);
        }
    }
    return true;
}

bool ReadAcvFile(const std::string& path, CurveArray& curves) {
    std::string bytes;
    if (!ReadFileContents(path, kMaxAcvFileSize, bytes)) return false;
    ResetCurves(curves);
    return ReadAcvData(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), curves);
}

std::vector<uint8_t> WriteAcvData(const CurveArray& curves) {
    size_t points = 0;
    for (const Curve& c : curves) {
        if (c.Count() > 0xFFFF) return {};
        // Never write a file that the reader would reject.
        for (size_t i = 0; i < c.Count(); ++i)
            if (static_cast<uint32_t>(c.X(i)) > kMaxCoordinate || static_cast<uint32_t>(c.Y(i)) > kMaxCoordinate)
                return {};
        points += c.Count();
    }
    std::vector<uint8_t> out;
    out.reserve(22 + 4 * points);
    PutWord(out, kAcvVersion);
    PutWord(out, kCurveCount + 1);
    for (const Curve& c : curves) {
        PutWord(out, static_cast<uint32_t>(c.Count()));
        for (size_t i = 0; i < c.Count(); ++i) {
            PutWord(out, static_cast<uint32_t>(c.Y(i)));
            PutWord(out, static_cast<uint32_t>(c.X(i)));
        }
    }
    for (uint32_t v : {2u, 0u, 0u, 255u, 255u}) PutWord(out, v);
    return out;
}

bool WriteAcvFile(const std::string& path, const CurveArray& curves) {
    const std::vector<uint8_t> data = WriteAcvData(curves);
    if (data.empty()) return false;
    return ReplaceFileContents(path, data.data(), data.size());
}

}  // namespace kyp
