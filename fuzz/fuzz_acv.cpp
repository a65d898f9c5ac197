// .acv data of any content is read or rejected; what is read builds tables and
// writes a file that reads back to the same curves.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/settings/AcvFile.h"
#include "engine/settings/CurveTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto exact = std::make_unique<uint8_t[]>(size == 0 ? 1 : size);
    if (size) std::memcpy(exact.get(), data, size);
    kyp::CurveArray curves;
    if (!kyp::ReadAcvData(exact.get(), size, curves)) return 0;
    kyp::CurveSet set(curves);
    for (int i = 0; i < kyp::kCurveCount; ++i) {
        const uint16_t* table = set.Table(i);
        if (!table) continue;
        for (int x = 0; x < kyp::kCurveTableSize; ++x)
            if (table[x] > 1023) std::abort();
    }
    const std::vector<uint8_t> bytes = kyp::WriteAcvData(curves);
    kyp::CurveArray back;
    if (!kyp::ReadAcvData(bytes.data(), bytes.size(), back) || !(back == curves)) std::abort();
    return 0;
}
