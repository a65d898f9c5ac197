#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/core/ByteOrder.h"

namespace kyp {

// A non-owning, bounds-checked view of untrusted bytes. Every offset and count
// is checked in 64 bits so the check itself cannot overflow; reads outside the
// view fail instead of touching memory. Multi-byte loads go through memcpy.
class ByteView {
public:
    ByteView() = default;
    ByteView(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    [[nodiscard]] const uint8_t* data() const { return data_; }
    [[nodiscard]] size_t size() const { return size_; }
    [[nodiscard]] bool empty() const { return size_ == 0; }

    // True when [offset, offset + count) lies inside the view.
    [[nodiscard]] bool contains(uint64_t offset, uint64_t count) const {
        return offset <= size_ && count <= size_ - offset;
    }
    // A pointer to count bytes at offset, or nullptr when they are not all inside.
    [[nodiscard]] const uint8_t* at(uint64_t offset, uint64_t count) const {
        return contains(offset, count) ? data_ + offset : nullptr;
    }
    [[nodiscard]] ByteView sub(uint64_t offset, uint64_t count) const {
        return contains(offset, count) ? ByteView(data_ + offset, static_cast<size_t>(count)) : ByteView();
    }

    [[nodiscard]] bool u8(uint64_t offset, uint8_t& out) const {
        const uint8_t* p = at(offset, 1);
        if (!p) return false;
        out = *p;
        return true;
    }
    [[nodiscard]] bool u16(uint64_t offset, bool bigEndian, uint16_t& out) const {
        const uint8_t* p = at(offset, 2);
        if (!p) return false;
        out = Load16(p, bigEndian);
        return true;
    }
    [[nodiscard]] bool u32(uint64_t offset, bool bigEndian, uint32_t& out) const {
        const uint8_t* p = at(offset, 4);
        if (!p) return false;
        out = Load32(p, bigEndian);
        return true;
    }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

}  // namespace kyp
