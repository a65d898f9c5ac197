#pragma once
#include <cstdint>

namespace kyp {

// 16- and 32-bit values kept in a stated byte order (TIFF files come in both;
// bitmaps are little-endian). The caller guarantees the bytes are there.
[[nodiscard]] inline uint16_t Load16(const uint8_t* p, bool bigEndian) {
    return bigEndian ? static_cast<uint16_t>(p[0] << 8 | p[1]) : static_cast<uint16_t>(p[1] << 8 | p[0]);
}

[[nodiscard]] inline uint32_t Load32(const uint8_t* p, bool bigEndian) {
    return bigEndian ? (uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3])
                     : (uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0]);
}

inline void Store16(uint8_t* p, uint16_t v, bool bigEndian) {
    p[bigEndian ? 0 : 1] = static_cast<uint8_t>(v >> 8);
    p[bigEndian ? 1 : 0] = static_cast<uint8_t>(v);
}

inline void Store32(uint8_t* p, uint32_t v, bool bigEndian) {
    for (int i = 0; i < 4; ++i) p[bigEndian ? 3 - i : i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace kyp
