#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "engine/raw/TiffTags.h"

namespace kyp {

class TiffDirectory;

// One directory entry: the 12-byte record (tag, type, count, four value
// bytes) and, when the values do not fit in the four bytes, a block of its own
// holding them.
//
// All values are held in the machine's byte order, whatever the file's:
//   - value: the four value bytes. Inline values stand in them (bytes as
//     stored; a SHORT pair as two 16-bit halves, the first in bytes 0-1; a
//     LONG as one 32-bit value); otherwise value is the file offset of the data.
//   - data: all count values when they are not inline (RATIONALs as numerator,
//     denominator pairs of 32-bit values). Never points into the file's bytes.
//   - child: for a sub-directory pointer (SubIFDs 330, Exif 34665,
//     Interoperability 40965) read from a file, the directory it points to.
//
// Values are inline when count is at most 4 (BYTE, ASCII, SBYTE, UNDEFINED),
// 2 (SHORT, SSHORT), 1 (LONG, SLONG, FLOAT) and never for RATIONAL,
// SRATIONAL and DOUBLE.
class TiffEntry {
public:
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    uint32_t value = 0;     // four value bytes in machine order, or the data offset
    uint32_t position = 0;  // file offset of the 12-byte record
    std::vector<uint8_t> data;
    std::unique_ptr<TiffDirectory> child;

    TiffEntry();
    ~TiffEntry();
    TiffEntry(TiffEntry&&) noexcept;
    TiffEntry& operator=(TiffEntry&&) noexcept;
    TiffEntry(const TiffEntry&) = delete;
    TiffEntry& operator=(const TiffEntry&) = delete;

    // An entry built in memory (for writing). data is taken over as it is; it
    // must hold dataSize() bytes in machine order when the values are not inline.
    [[nodiscard]] static TiffEntry create(uint16_t tag, uint16_t type, uint32_t count, uint32_t value,
                                          std::vector<uint8_t> data = {});
    // Convenience builders that follow the inline rule themselves.
    [[nodiscard]] static TiffEntry makeShort(uint16_t tag, uint16_t v);
    [[nodiscard]] static TiffEntry makeLong(uint16_t tag, uint32_t v);
    [[nodiscard]] static TiffEntry makeShorts(uint16_t tag, std::span<const uint16_t> values,
                                              uint16_t type = kTiffShort);
    [[nodiscard]] static TiffEntry makeLongs(uint16_t tag, std::span<const uint32_t> values,
                                             uint16_t type = kTiffLong);
    // count includes the terminating zero.
    [[nodiscard]] static TiffEntry makeAscii(uint16_t tag, std::string_view text);
    [[nodiscard]] static TiffEntry makeBytes(uint16_t tag, uint16_t type, std::span<const uint8_t> bytes);
    // numerator, denominator pairs.
    [[nodiscard]] static TiffEntry makeRationals(uint16_t tag, std::span<const uint32_t> pairs,
                                                 uint16_t type = kTiffRational);

    // Bytes per value of a type, 0 for an unknown type.
    [[nodiscard]] static uint32_t typeSize(uint16_t type);
    // Alignment of the type's out-of-line data when laid out for writing.
    [[nodiscard]] static uint32_t typeAlignment(uint16_t type);
    // Types 1 to 10 can be read from a file; FLOAT and DOUBLE cannot.
    [[nodiscard]] static bool isLoadableType(uint16_t type) { return type >= kTiffByte && type <= kTiffSRational; }
    [[nodiscard]] static bool isSubDirectoryTag(uint16_t tag);

    // True when the values stand in the four value bytes.
    [[nodiscard]] bool isInline() const;
    // Bytes of out-of-line data (count × type size), 0 when inline or of unknown type.
    // 64-bit: a count near 2^32 of 8-byte values does not fit 32 bits.
    [[nodiscard]] uint64_t dataSize() const;

    // BYTE/SBYTE: first byte; SHORT/SSHORT: first 16-bit value; LONG/SLONG:
    // the 32-bit value; all zero-extended. Every other type gives 0.
    [[nodiscard]] uint32_t intValue() const;

    // The values in machine order: the value bytes when inline, else data.
    [[nodiscard]] const uint8_t* values() const;
    // Value index of an integer type (BYTE, SBYTE, SHORT, SSHORT, LONG, SLONG,
    // and UNDEFINED as bytes), zero-extended. False past the count.
    [[nodiscard]] bool valueAt(uint32_t index, uint32_t& out) const;
    // 16-bit value index of a SHORT or SSHORT entry (inline or not).
    [[nodiscard]] bool shortAt(uint32_t index, uint16_t& out) const;
    // Numerator and denominator of RATIONAL/SRATIONAL value index.
    [[nodiscard]] bool rationalAt(uint32_t index, uint32_t& numerator, uint32_t& denominator) const;
    // ASCII text up to its first zero byte (or the whole count).
    [[nodiscard]] std::string_view text() const;

    // The two 16-bit halves of the value bytes (inline SHORT values).
    [[nodiscard]] uint16_t valueShort(int half) const;
    void setValueShorts(uint16_t first, uint16_t second);
    void setValueBytes(const uint8_t bytes[4]);

    // Deep copy of tag, type, count, value and out-of-line data (not of a
    // child directory, not of position). Nothing when memory runs out or when
    // a FLOAT/DOUBLE entry's data is not what dataSize() says.
    [[nodiscard]] std::optional<TiffEntry> clone() const;
    // The clone of directory's entry with tag, or nothing when it has none.
    [[nodiscard]] static std::optional<TiffEntry> cloneFrom(const TiffDirectory& directory, uint16_t tag);
};

}  // namespace kyp
