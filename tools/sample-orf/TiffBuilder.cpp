#include "tools/sample-orf/TiffBuilder.h"

#include <algorithm>

#include "engine/core/ByteOrder.h"

namespace kyp::sample {

namespace {

// Values larger than four bytes go after the directory, each padded to an
// even length so the next one starts on a word boundary.
uint32_t PaddedSize(const BeField& f) { return static_cast<uint32_t>((f.bytes.size() + 1) & ~size_t{1}); }
bool IsInline(const BeField& f) { return f.bytes.size() <= 4; }

}  // namespace

void PutBe16(uint8_t* p, uint16_t v) { Store16(p, v, true); }

void PutBe32(uint8_t* p, uint32_t v) { Store32(p, v, true); }

BeField& BeDirectory::field(uint16_t tag) {
    auto it = std::lower_bound(fields_.begin(), fields_.end(), tag,
                               [](const BeField& f, uint16_t t) { return f.tag < t; });
    if (it == fields_.end() || it->tag != tag) it = fields_.insert(it, BeField{tag, 0, 0, {}});
    return *it;
}

void BeDirectory::addShorts(uint16_t tag, std::span<const uint16_t> values, uint16_t type) {
    BeField& f = field(tag);
    f.type = type;
    f.count = static_cast<uint32_t>(values.size());
    f.bytes.assign(values.size() * 2, 0);
    for (size_t i = 0; i < values.size(); ++i) PutBe16(&f.bytes[2 * i], values[i]);
}

void BeDirectory::addLongs(uint16_t tag, std::span<const uint32_t> values) {
    BeField& f = field(tag);
    f.type = 4;
    f.count = static_cast<uint32_t>(values.size());
    f.bytes.assign(values.size() * 4, 0);
    for (size_t i = 0; i < values.size(); ++i) PutBe32(&f.bytes[4 * i], values[i]);
}

void BeDirectory::setLongs(uint16_t tag, std::span<const uint32_t> values) { addLongs(tag, values); }

void BeDirectory::addRational(uint16_t tag, uint32_t numerator, uint32_t denominator) {
    BeField& f = field(tag);
    f.type = 5;
    f.count = 1;
    f.bytes.assign(8, 0);
    PutBe32(&f.bytes[0], numerator);
    PutBe32(&f.bytes[4], denominator);
}

void BeDirectory::addSRational(uint16_t tag, int32_t numerator, int32_t denominator) {
    addRational(tag, static_cast<uint32_t>(numerator), static_cast<uint32_t>(denominator));
    field(tag).type = 10;
}

void BeDirectory::addAscii(uint16_t tag, std::string_view text) {
    BeField& f = field(tag);
    f.type = 2;
    f.bytes.assign(text.begin(), text.end());
    f.bytes.push_back(0);
    f.count = static_cast<uint32_t>(f.bytes.size());
}

void BeDirectory::addBytes(uint16_t tag, uint16_t type, std::span<const uint8_t> bytes) {
    BeField& f = field(tag);
    f.type = type;
    f.bytes.assign(bytes.begin(), bytes.end());
    f.count = static_cast<uint32_t>(f.bytes.size());
}

uint32_t BeDirectory::size() const {
    uint32_t size = 2 + 12 * static_cast<uint32_t>(fields_.size()) + 4;
    for (const BeField& f : fields_) {
        if (!IsInline(f)) size += PaddedSize(f);
    }
    return size;
}

uint32_t BeDirectory::dataOffset(uint16_t tag, uint32_t at) const {
    uint32_t data = 2 + 12 * static_cast<uint32_t>(fields_.size()) + 4;
    for (const BeField& f : fields_) {
        if (IsInline(f)) continue;
        if (f.tag == tag) return at + data;
        data += PaddedSize(f);
    }
    return 0;
}

void BeDirectory::serialise(uint32_t at, uint32_t next, std::vector<uint8_t>& out) const {
    const size_t base = out.size();
    out.resize(base + size(), 0);
    uint8_t* p = out.data() + base;
    PutBe16(p, static_cast<uint16_t>(fields_.size()));
    uint32_t data = 2 + 12 * static_cast<uint32_t>(fields_.size()) + 4;  // relative to the directory
    for (size_t i = 0; i < fields_.size(); ++i) {
        const BeField& f = fields_[i];
        uint8_t* record = p + 2 + 12 * i;
        PutBe16(record, f.tag);
        PutBe16(record + 2, f.type);
        PutBe32(record + 4, f.count);
        if (IsInline(f)) {
            std::copy(f.bytes.begin(), f.bytes.end(), record + 8);  // left-justified
        } else {
            PutBe32(record + 8, at + data);
            std::copy(f.bytes.begin(), f.bytes.end(), p + data);
            data += PaddedSize(f);
        }
    }
    PutBe32(p + 2 + 12 * fields_.size(), next);
}

}  // namespace kyp::sample
