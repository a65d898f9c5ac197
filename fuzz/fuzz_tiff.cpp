// Parses arbitrary bytes as a TIFF/ORF document and exercises everything a
// caller may do with the result: walk it, look up every tag it holds, clone
// and read every entry, lay the clones out for writing, extract the raw
// information and read the Olympus maker note.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/raw/OrfRaw.h"
#include "engine/raw/TiffDocument.h"

namespace {

using namespace kyp;

void TouchEntry(const TiffEntry& entry) {
    volatile uint32_t sink = entry.intValue();
    const uint32_t limit = entry.count < 64 ? entry.count : 64;
    for (uint32_t i = 0; i < limit + 1; ++i) {
        uint32_t v = 0, n = 0, d = 0;
        uint16_t s = 0;
        if (entry.valueAt(i, v)) sink = sink + v;
        if (entry.shortAt(i, s)) sink = sink + s;
        if (entry.rationalAt(i, n, d)) sink = sink + n + d;
    }
    sink = sink + static_cast<uint32_t>(entry.text().size());
    (void)sink;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TiffDocument document;
    if (!document.openMemory(ByteView(data, size)) || !document.parse()) return 0;

    std::vector<uint16_t> tags;
    auto copy = TiffDirectory::create(0);
    document.root()->walk([&](const TiffDirectory& directory, const TiffEntry* entry) {
        if (!entry) return 0;
        tags.push_back(entry->tag);
        if (directory.find(entry->tag) == nullptr) __builtin_trap();  // every walked entry is found
        TouchEntry(*entry);
        if (std::optional<TiffEntry> clone = entry->clone()) {
            TouchEntry(*clone);
            if (copy && copy->entries.size() < TiffDirectory::kMaxEntries) copy->add(std::move(*clone));
        }
        return 0;
    });
    for (uint16_t tag : tags) {
        const TiffDirectory* holder = nullptr;
        if (!document.findEntryAnywhere(tag, &holder) || !holder) __builtin_trap();
    }
    for (uint32_t kind = 0; kind <= 7; ++kind) (void)document.findDirectory(static_cast<DirectoryKind>(kind));

    // Lay the clones out and copy their data, as a writer would.
    if (copy) {
        document.startLayout();
        bool placed = document.placeDirectory(*copy);
        for (TiffEntry& entry : copy->entries) placed = placed && document.placeData(entry);
        if (placed && document.layoutCursor() <= (1u << 20)) {
            std::vector<uint8_t> out(document.layoutCursor());
            if (!TiffDocument::writeDirectoryData(out, *copy)) __builtin_trap();
        }
    }

    RawInfo info;
    if (readRawInfo(document, info)) {
        // Unpack what lies in the file of the raw data, at most a few rows.
        const uint64_t samples = uint64_t{info.width} * info.height;
        const uint64_t available = info.raw ? (document.file().size() - info.rawOffset) / 2 : 0;
        const size_t count = static_cast<size_t>(std::min<uint64_t>({samples, available, 4096}));
        if (count) {
            std::vector<uint16_t> out(count);
            unpack(out.data(), info.raw, count);
        }
    }
    (void)readOlympusMakerNote(document, 7);
    return 0;
}
