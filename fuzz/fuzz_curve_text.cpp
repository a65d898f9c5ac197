// Curve texts of any content give a curve whose table stays inside 0..1023
// and whose text reads back to the same curve.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/settings/CurveTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    kyp::Curve curve;
    curve.ReadText(text.c_str());
    uint16_t table[kyp::kCurveTableSize];
    for (auto& v : table) v = 0xFFFF;
    kyp::BuildCurveTable(table, curve);
    for (uint16_t v : table)
        if (v > 1023 && v != 0xFFFF) std::abort();
    uint8_t display[256];
    kyp::BuildCurveTable8(display, curve);
    kyp::Curve back;
    back.ReadText(curve.WriteText().c_str());
    if (!(back == curve)) std::abort();
    return 0;
}
