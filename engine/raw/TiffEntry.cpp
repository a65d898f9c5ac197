#include "engine/raw/TiffEntry.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/raw/TiffDirectory.h"

namespace kyp {

TiffEntry::TiffEntry() = default;
TiffEntry::~TiffEntry() = default;
TiffEntry::TiffEntry(TiffEntry&&) noexcept = default;
TiffEntry& TiffEntry::operator=(TiffEntry&&) noexcept = default;

uint32_t TiffEntry::typeSize(uint16_t type) {
    switch (type) {
        case kTiffByte:
        case kTiffAscii:
        case kTiffSByte:
        case kTiffUndefined:
            return 1;
        case kTiffShort:
        case kTiffSShort:
            return 2;
        case kTiffLong:
        case kTiffSLong:
        case kTiffFloat:
            return 4;
        case kTiffRational:
        case kTiffSRational:
        case kTiffDouble:
            return 8;
        default:
            return 0;
    }
}

uint32_t TiffEntry::typeAlignment(uint16_t type) {
    switch (type) {
        case kTiffByte:
        case kTiffAscii:
        case kTiffSByte:
        case kTiffUndefined:
            return 1;
        case kTiffLong:
        case kTiffRational:
            return 4;
        default:  // SHORT, SSHORT and, as the layout has always done, every other type
            return 2;
    }
}

bool TiffEntry::isSubDirectoryTag(uint16_t tag) {
    return tag == tag::kSubIfds || tag == tag::kExifIfd || tag == tag::kInteroperabilityIfd;
}

bool TiffEntry::isInline() const {
    const uint32_t size = typeSize(type);
    // RATIONAL, SRATIONAL and DOUBLE (8 bytes a value) are never inline.
    return size != 0 && size <= 4 && uint64_t{count} * size <= 4;
}

uint64_t TiffEntry::dataSize() const {
    if (isInline()) return 0;
    return uint64_t{count} * typeSize(type);
}

TiffEntry TiffEntry::create(uint16_t tag, uint16_t type, uint32_t count, uint32_t value, std::vector<uint8_t> data) {
    TiffEntry entry;
    entry.tag = tag;
    entry.type = type;
    entry.count = count;
    entry.value = value;
    entry.data = std::move(data);
    return entry;
}

TiffEntry TiffEntry::makeShort(uint16_t tag, uint16_t v) {
    TiffEntry entry = create(tag, kTiffShort, 1, 0);
    entry.setValueShorts(v, 0);
    return entry;
}

TiffEntry TiffEntry::makeLong(uint16_t tag, uint32_t v) { return create(tag, kTiffLong, 1, v); }

TiffEntry TiffEntry::makeShorts(uint16_t tag, std::span<const uint16_t> values, uint16_t type) {
    TiffEntry entry = create(tag, type, static_cast<uint32_t>(values.size()), 0);
    if (entry.isInline()) {
        entry.setValueShorts(values.empty() ? 0 : values[0], values.size() > 1 ? values[1] : 0);
    } else {
        entry.data.resize(values.size_bytes());
        std::memcpy(entry.data.data(), values.data(), values.size_bytes());
    }
    return entry;
}

TiffEntry TiffEntry::makeLongs(uint16_t tag, std::span<const uint32_t> values, uint16_t type) {
    TiffEntry entry = create(tag, type, static_cast<uint32_t>(values.size()), 0);
    if (entry.isInline()) {
        entry.value = values.empty() ? 0 : values[0];
    } else {
        entry.data.resize(values.size_bytes());
        std::memcpy(entry.data.data(), values.data(), values.size_bytes());
    }
    return entry;
}

TiffEntry TiffEntry::makeBytes(uint16_t tag, uint16_t type, std::span<const uint8_t> bytes) {
    TiffEntry entry = create(tag, type, static_cast<uint32_t>(bytes.size()), 0);
    if (entry.isInline()) {
        uint8_t four[4] = {0, 0, 0, 0};
        if (!bytes.empty()) std::memcpy(four, bytes.data(), bytes.size());
        entry.setValueBytes(four);
    } else {
        entry.data.assign(bytes.begin(), bytes.end());
    }
    return entry;
}

TiffEntry TiffEntry::makeAscii(uint16_t tag, std::string_view text) {
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return makeBytes(tag, kTiffAscii, bytes);
}

TiffEntry TiffEntry::makeRationals(uint16_t tag, std::span<const uint32_t> pairs, uint16_t type) {
    TiffEntry entry = create(tag, type, static_cast<uint32_t>(pairs.size() / 2), 0);
    entry.data.resize(entry.count * size_t{8});
    if (!entry.data.empty()) std::memcpy(entry.data.data(), pairs.data(), entry.data.size());
    return entry;
}

uint32_t TiffEntry::intValue() const {
    switch (type) {
        case kTiffByte:
        case kTiffSByte:
            return reinterpret_cast<const uint8_t*>(&value)[0];
        case kTiffShort:
        case kTiffSShort:
            return valueShort(0);
        case kTiffLong:
        case kTiffSLong:
            return value;
        default:
            return 0;
    }
}

const uint8_t* TiffEntry::values() const {
    return isInline() ? reinterpret_cast<const uint8_t*>(&value) : data.data();
}

bool TiffEntry::valueAt(uint32_t index, uint32_t& out) const {
    if (index >= count) return false;
    const uint32_t size = typeSize(type);
    if (!isInline() && data.size() < dataSize()) return false;
    const uint8_t* p = values();
    switch (type) {
        case kTiffByte:
        case kTiffSByte:
        case kTiffUndefined:
            out = p[index];
            return true;
        case kTiffShort:
        case kTiffSShort: {
            uint16_t v;
            std::memcpy(&v, p + size_t{index} * size, 2);
            out = v;
            return true;
        }
        case kTiffLong:
        case kTiffSLong:
            std::memcpy(&out, p + size_t{index} * size, 4);
            return true;
        default:
            return false;
    }
}

bool TiffEntry::shortAt(uint32_t index, uint16_t& out) const {
    if (type != kTiffShort && type != kTiffSShort) return false;
    uint32_t v = 0;
    if (!valueAt(index, v)) return false;
    out = static_cast<uint16_t>(v);
    return true;
}

bool TiffEntry::rationalAt(uint32_t index, uint32_t& numerator, uint32_t& denominator) const {
    if ((type != kTiffRational && type != kTiffSRational) || index >= count) return false;
    if (data.size() < dataSize()) return false;
    std::memcpy(&numerator, data.data() + size_t{index} * 8, 4);
    std::memcpy(&denominator, data.data() + size_t{index} * 8 + 4, 4);
    return true;
}

std::string_view TiffEntry::text() const {
    if (type != kTiffAscii) return {};
    const char* p = reinterpret_cast<const char*>(values());
    size_t n = isInline() ? count : std::min<size_t>(count, data.size());
    const void* zero = n ? std::memchr(p, 0, n) : nullptr;
    if (zero) n = static_cast<size_t>(static_cast<const char*>(zero) - p);
    return std::string_view(p, n);
}

uint16_t TiffEntry::valueShort(int half) const {
    uint16_t v;
    std::memcpy(&v, reinterpret_cast<const uint8_t*>(&value) + (half ? 2 : 0), 2);
    return v;
}

void TiffEntry::setValueShorts(uint16_t first, uint16_t second) {
    auto* bytes = reinterpret_cast<uint8_t*>(&value);
    std::memcpy(bytes, &first, 2);
    std::memcpy(bytes + 2, &second, 2);
}

void TiffEntry::setValueBytes(const uint8_t bytes[4]) { std::memcpy(&value, bytes, 4); }

std::optional<TiffEntry> TiffEntry::clone() const {
    TiffEntry copy = create(tag, type, count, value);
    const uint64_t size = dataSize();
    if (size != 0 || !data.empty()) {
        // FLOAT/DOUBLE entries never come from a file and carry no data we trust.
        if (type == kTiffFloat || type == kTiffDouble) return std::nullopt;
        if (data.size() != size) return std::nullopt;
        try {
            copy.data = data;
        } catch (const std::bad_alloc&) {
            return std::nullopt;
        }
    }
    return copy;
}

std::optional<TiffEntry> TiffEntry::cloneFrom(const TiffDirectory& directory, uint16_t tag) {
    const TiffEntry* entry = directory.find(tag);
    if (!entry) return std::nullopt;
    return entry->clone();
}

}  // namespace kyp
