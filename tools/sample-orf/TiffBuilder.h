#pragma once
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace kyp::sample {

// A minimal big-endian TIFF directory writer for the sample generator. It is
// written apart from the engine's reader on purpose: the reader's tests read
// what this writes.
struct BeField {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    std::vector<uint8_t> bytes;  // count values, big-endian
};

class BeDirectory {
public:
    void addShorts(uint16_t tag, std::span<const uint16_t> values, uint16_t type = 3);
    void addShort(uint16_t tag, uint16_t value) { addShorts(tag, {&value, 1}); }
    void addLongs(uint16_t tag, std::span<const uint32_t> values);
    void addLong(uint16_t tag, uint32_t value) { addLongs(tag, {&value, 1}); }
    void addRational(uint16_t tag, uint32_t numerator, uint32_t denominator);
    void addSRational(uint16_t tag, int32_t numerator, int32_t denominator);
    void addAscii(uint16_t tag, std::string_view text);
    void addBytes(uint16_t tag, uint16_t type, std::span<const uint8_t> bytes);
    // Rewrites the 32-bit values of a LONG field (offsets known only after layout).
    void setLongs(uint16_t tag, std::span<const uint32_t> values);

    // Bytes the directory and its out-of-line data take (independent of where).
    [[nodiscard]] uint32_t size() const;
    // File offset that serialise(at, ...) gives the out-of-line data of tag
    // (0 when it has none).
    [[nodiscard]] uint32_t dataOffset(uint16_t tag, uint32_t at) const;
    // Appends the directory, to stand at file offset at, with its data right
    // after it; offsets in it are file offsets. next is the next-directory offset.
    void serialise(uint32_t at, uint32_t next, std::vector<uint8_t>& out) const;

private:
    BeField& field(uint16_t tag);
    std::vector<BeField> fields_;
};

void PutBe16(uint8_t* p, uint16_t v);
void PutBe32(uint8_t* p, uint32_t v);

}  // namespace kyp::sample
