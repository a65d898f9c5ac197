#pragma once
// Hand-made TIFF byte images for the reader's tests: every byte where the test
// says, in either byte order, so damaged structures are easy to make.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "engine/core/ByteView.h"

namespace kyp::test {

class TiffBytes {
public:
    struct Record {
        uint16_t tag, type;
        uint32_t count;
        std::array<uint8_t, 4> value;  // as stored
    };

    explicit TiffBytes(bool bigEndian, size_t size = 0) : big_(bigEndian), bytes(std::max<size_t>(size, 8), 0) {
        bytes.resize(size);
    }

    void u8(size_t at, uint8_t v) { grow(at + 1)[at] = v; }
    void u16(size_t at, uint16_t v) {
        grow(at + 2);
        bytes[at + (big_ ? 0 : 1)] = static_cast<uint8_t>(v >> 8);
        bytes[at + (big_ ? 1 : 0)] = static_cast<uint8_t>(v);
    }
    void u32(size_t at, uint32_t v) {
        grow(at + 4);
        for (int i = 0; i < 4; ++i) bytes[at + (big_ ? 3 - i : i)] = static_cast<uint8_t>(v >> (8 * i));
    }
    // "MM" or "II", version, first directory offset.
    void header(uint32_t firstOffset, uint16_t version = 42) {
        u8(0, big_ ? 'M' : 'I');
        u8(1, big_ ? 'M' : 'I');
        u16(2, version);
        u32(4, firstOffset);
    }
    // Record value helpers, in the file's byte order.
    Record longRecord(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) const {
        Record r{tag, type, count, {}};
        for (int i = 0; i < 4; ++i) r.value[static_cast<size_t>(big_ ? 3 - i : i)] = static_cast<uint8_t>(value >> (8 * i));
        return r;
    }
    Record shortRecord(uint16_t tag, uint16_t type, uint32_t count, uint16_t a, uint16_t b = 0) const {
        Record r{tag, type, count, {}};
        r.value[big_ ? 0 : 1] = static_cast<uint8_t>(a >> 8);
        r.value[big_ ? 1 : 0] = static_cast<uint8_t>(a);
        r.value[big_ ? 2 : 3] = static_cast<uint8_t>(b >> 8);
        r.value[big_ ? 3 : 2] = static_cast<uint8_t>(b);
        return r;
    }
    // Writes a directory at `at`; returns the offset just after it.
    size_t directory(size_t at, const std::vector<Record>& records, uint32_t next = 0) {
        u16(at, static_cast<uint16_t>(records.size()));
        for (size_t i = 0; i < records.size(); ++i) {
            const size_t r = at + 2 + 12 * i;
            u16(r, records[i].tag);
            u16(r + 2, records[i].type);
            u32(r + 4, records[i].count);
            for (size_t k = 0; k < 4; ++k) u8(r + 8 + k, records[i].value[k]);
        }
        u32(at + 2 + 12 * records.size(), next);
        return at + 2 + 12 * records.size() + 4;
    }
    [[nodiscard]] ByteView view() const { return ByteView(bytes.data(), bytes.size()); }

    bool big_;
    std::vector<uint8_t> bytes;

private:
    std::vector<uint8_t>& grow(size_t size) {
        if (bytes.size() < size) {
            // Grown in steps of 256 bytes (and without resize(), which g++ 12
            // misreads as an out-of-bounds move when inlined here).
            std::vector<uint8_t> bigger((size + 255) / 256 * 256, 0);
            std::copy(bytes.begin(), bytes.end(), bigger.begin());
            bigger.erase(bigger.begin() + static_cast<std::ptrdiff_t>(size), bigger.end());
            bytes.swap(bigger);
        }
        return bytes;
    }
};

}  // namespace kyp::test
