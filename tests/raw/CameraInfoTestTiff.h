#pragma once
// Builds small big-endian TIFF files in memory for the camera-information and
// JPEG tests: a main directory, an Exif directory, an optional Olympus maker
// note and an optional trailing blob (an embedded JPEG preview).
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kyp::testtiff {

struct Entry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    std::vector<uint8_t> bytes;  // the values as stored (big-endian)
};

inline void put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
}
inline void put32(std::vector<uint8_t>& b, uint32_t v) {
    put16(b, v >> 16);
    put16(b, v & 0xFFFF);
}

inline Entry shorts(uint16_t tag, std::vector<uint16_t> values, uint16_t type = 3) {
    Entry e{tag, type, static_cast<uint32_t>(values.size()), {}};
    for (uint16_t v : values) put16(e.bytes, v);
    return e;
}
inline Entry longs(uint16_t tag, std::vector<uint32_t> values, uint16_t type = 4) {
    Entry e{tag, type, static_cast<uint32_t>(values.size()), {}};
    for (uint32_t v : values) put32(e.bytes, v);
    return e;
}
inline Entry rational(uint16_t tag, uint32_t numerator, uint32_t denominator, uint16_t type = 5) {
    Entry e{tag, type, 1, {}};
    put32(e.bytes, numerator);
    put32(e.bytes, denominator);
    return e;
}
inline Entry srational(uint16_t tag, int32_t numerator, int32_t denominator) {
    return rational(tag, static_cast<uint32_t>(numerator), static_cast<uint32_t>(denominator), 10);
}
inline Entry ascii(uint16_t tag, const std::string& text) {
    Entry e{tag, 2, static_cast<uint32_t>(text.size() + 1), std::vector<uint8_t>(text.begin(), text.end())};
    e.bytes.push_back(0);
    return e;
}
inline Entry undefined(uint16_t tag, std::vector<uint8_t> bytes) {
    Entry e{tag, 7, static_cast<uint32_t>(bytes.size()), std::move(bytes)};
    return e;
}

// A directory (entries ascending by tag) at file offset base, its out-of-line
// data right after it.
inline std::vector<uint8_t> directoryBytes(const std::vector<Entry>& entries, uint32_t base) {
    std::vector<uint8_t> dir;
    put16(dir, static_cast<uint32_t>(entries.size()));
    std::vector<uint8_t> data;
    const uint32_t dataBase = base + 2 + 12 * static_cast<uint32_t>(entries.size()) + 4;
    for (const Entry& e : entries) {
        put16(dir, e.tag);
        put16(dir, e.type);
        put32(dir, e.count);
        if (e.bytes.size() <= 4) {
            std::vector<uint8_t> inlineBytes = e.bytes;
            inlineBytes.resize(4, 0);
            dir.insert(dir.end(), inlineBytes.begin(), inlineBytes.end());
        } else {
            if (data.size() % 2) data.push_back(0);
            put32(dir, dataBase + static_cast<uint32_t>(data.size()));
            data.insert(data.end(), e.bytes.begin(), e.bytes.end());
        }
    }
    put32(dir, 0);
    dir.insert(dir.end(), data.begin(), data.end());
    if (dir.size() % 2) dir.push_back(0);
    return dir;
}

struct File {
    std::vector<Entry> main;       // without the Exif pointer and 513/514
    std::vector<Entry> exif;       // without the maker note
    std::vector<Entry> makerNote;  // empty: no maker note
    std::vector<uint8_t> makerSignature = {'O', 'L', 'Y', 'M', 'P', 0, 1, 0};
    bool withExif = true;
    std::vector<uint8_t> blob;     // the embedded preview, pointed to by 513/514 when not empty
    int64_t blobOffsetShift = 0;   // added to the 513 value (to point it elsewhere)
    uint32_t blobLengthExtra = 0;  // added to the 514 value
};

inline void insertSorted(std::vector<Entry>& entries, Entry e) {
    auto it = entries.begin();
    while (it != entries.end() && it->tag < e.tag) ++it;
    entries.insert(it, std::move(e));
}

// The whole file: "MM", "OR", 8; main directory; Exif directory (with the
// maker note as its MakerNote value); the blob.
inline std::vector<uint8_t> build(const File& f) {
    auto mainEntries = [&](uint32_t exifOffset, uint32_t blobOffset) {
        std::vector<Entry> entries = f.main;
        if (f.withExif) insertSorted(entries, longs(34665, {exifOffset}));
        if (!f.blob.empty()) {
            insertSorted(entries, longs(513, {static_cast<uint32_t>(blobOffset + f.blobOffsetShift)}));
            insertSorted(entries, longs(514, {static_cast<uint32_t>(f.blob.size()) + f.blobLengthExtra}));
        }
        return entries;
    };
    const uint32_t exifBase = 8 + static_cast<uint32_t>(directoryBytes(mainEntries(0, 0), 8).size());

    auto exifEntries = [&](uint32_t makerBase) {
        std::vector<Entry> entries = f.exif;
        if (!f.makerNote.empty()) {
            std::vector<uint8_t> note = f.makerSignature;
            std::vector<uint8_t> dir = directoryBytes(f.makerNote, makerBase + 8);
            note.insert(note.end(), dir.begin(), dir.end());
            insertSorted(entries, undefined(37500, note));
        }
        return entries;
    };
    std::vector<uint8_t> exif;
    if (f.withExif) {
        // First pass finds where the maker note's bytes land, the second builds with it.
        exif = directoryBytes(exifEntries(0), exifBase);
        uint32_t makerBase = 0;
        for (size_t i = 0, n = static_cast<size_t>(exif[0]) << 8 | exif[1]; i < n; ++i) {
            const uint8_t* r = exif.data() + 2 + 12 * i;
            if ((r[0] << 8 | r[1]) == 37500) makerBase = uint32_t{r[8]} << 24 | uint32_t{r[9]} << 16 | r[10] << 8 | r[11];
        }
        exif = directoryBytes(exifEntries(makerBase), exifBase);
    }
    const uint32_t blobBase = exifBase + static_cast<uint32_t>(exif.size());

    std::vector<uint8_t> out = {'M', 'M', 'O', 'R', 0, 0, 0, 8};
    std::vector<uint8_t> main = directoryBytes(mainEntries(exifBase, blobBase), 8);
    out.insert(out.end(), main.begin(), main.end());
    out.insert(out.end(), exif.begin(), exif.end());
    out.insert(out.end(), f.blob.begin(), f.blob.end());
    return out;
}

}  // namespace kyp::testtiff
