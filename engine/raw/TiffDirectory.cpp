#include "engine/raw/TiffDirectory.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/core/ByteOrder.h"
#include "engine/raw/TiffReadContext.h"
#include "platform/InputFile.h"

namespace kyp {

namespace {

// A directory is a 16-bit count, count 12-byte entry records and a 32-bit
// next offset.
constexpr uint32_t kEntrySize = 12;

// The four value bytes as stored, brought into machine order: byte values
// stay as they are, an inline SHORT pair is converted half by half, anything
// else (a LONG or an offset) as one 32-bit value.
uint32_t NormaliseValue(const uint8_t raw[4], uint16_t type, uint32_t count, bool bigEndian) {
    uint32_t value;
    const uint32_t size = TiffEntry::typeSize(type);
    if (size == 1 && count <= 4) {
        std::memcpy(&value, raw, 4);
        return value;
    }
    if (size == 2 && count <= 2) {
        const uint16_t halves[2] = {Load16(raw, bigEndian), Load16(raw + 2, bigEndian)};
        std::memcpy(&value, halves, 4);
        return value;
    }
    return Load32(raw, bigEndian);
}

// Reads the out-of-line values of entry from the file. False drops the entry.
bool LoadValues(InputFile& file, TiffReadContext& context, TiffEntry& entry) {
    if (entry.isInline()) return true;
    const uint64_t size = entry.dataSize();
    if (size == 0) return true;  // a RATIONAL of count 0: nothing to read
    // Checked in 64 bits: offset + size cannot wrap.
    if (!file.view().contains(entry.value, size)) return false;
    if (size > context.dataBytesLeft) return false;
    try {
        entry.data.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return false;
    }
    context.dataBytesLeft -= size;
    if (!file.seek(entry.value)) return false;
    bool ok = false;
    switch (TiffEntry::typeSize(entry.type)) {
        case 1:
            ok = file.readBytes(entry.count, entry.data.data());
            break;
        case 2: {
            std::vector<uint16_t> shorts(entry.count);
            ok = file.readShorts(entry.count, shorts.data());
            if (ok) std::memcpy(entry.data.data(), shorts.data(), size);
            break;
        }
        case 4:
        case 8: {  // RATIONALs are numerator, denominator pairs of LONGs
            std::vector<uint32_t> longs(static_cast<size_t>(size / 4));
            ok = file.readLongs(longs.size(), longs.data());
            if (ok) std::memcpy(entry.data.data(), longs.data(), size);
            break;
        }
        default:
            break;
    }
    if (!ok) entry.data = {};
    return ok;
}

DirectoryKind SubIfdKind(const TiffDirectory& child) {
    const TiffEntry* subfileType = child.find(tag::kNewSubfileType);
    if (!subfileType) return DirectoryKind::SubIfd;
    return (subfileType->intValue() & 1) ? DirectoryKind::Thumbnail : DirectoryKind::FullResolutionImage;
}

// Reads the sub-directory a pointer entry names (only the first offset of a
// SubIFDs list). False drops the entry.
bool LoadChild(InputFile& file, TiffReadContext& context, TiffEntry& entry) {
    uint32_t offset = 0;
    if (!entry.valueAt(0, offset)) return false;
    if (context.depth >= TiffReadContext::kMaxDepth) return false;
    if (!file.seek(offset)) return false;
    ++context.depth;
    entry.child = TiffDirectory::read(file, context);
    --context.depth;
    if (!entry.child) return false;
    switch (entry.tag) {
        case tag::kExifIfd:
            entry.child->kind = DirectoryKind::Exif;
            break;
        case tag::kInteroperabilityIfd:
            entry.child->kind = DirectoryKind::Interoperability;
            break;
        default:
            entry.child->kind = SubIfdKind(*entry.child);
            break;
    }
    return true;
}

// Reads the entry record at recordOffset with its values and child. False
// drops the entry.
bool ReadEntry(InputFile& file, TiffReadContext& context, uint32_t recordOffset, TiffEntry& entry) {
    uint8_t raw[4];
    if (!file.seek(recordOffset) || !file.readShort(entry.tag) || !file.readShort(entry.type) ||
        !file.readLong(entry.count) || !file.readBytes(4, raw)) {
        return false;
    }
    entry.position = recordOffset;
    entry.value = NormaliseValue(raw, entry.type, entry.count, file.bigEndian());
    if (!TiffEntry::isLoadableType(entry.type)) return false;
    if (!LoadValues(file, context, entry)) return false;
    if (TiffEntry::isSubDirectoryTag(entry.tag) && !LoadChild(file, context, entry)) return false;
    return true;
}

}  // namespace

const char* DirectoryKindName(DirectoryKind kind) {
    switch (kind) {
        case DirectoryKind::MainImage:
            return "Main Image";
        case DirectoryKind::Thumbnail:
            return "Thumbnail";
        case DirectoryKind::FullResolutionImage:
            return "Full Resolution Image";
        case DirectoryKind::Exif:
            return "Exif";
        case DirectoryKind::SubIfd:
            return "Sub-IFD";
        case DirectoryKind::Interoperability:
            return "Interoperability";
        default:
            return "<unknown>";
    }
}

TiffDirectory::~TiffDirectory() {
    // Unlink the chain first so that freeing a long chain does not recurse.
    std::unique_ptr<TiffDirectory> rest = std::move(next);
    while (rest) rest = std::move(rest->next);
}

std::unique_ptr<TiffDirectory> TiffDirectory::read(InputFile& file) {
    TiffReadContext context(file.size());
    return read(file, context);
}

std::unique_ptr<TiffDirectory> TiffDirectory::read(InputFile& file, TiffReadContext& context) {
    const uint32_t start = file.position();
    if (context.directoriesLeft <= 0 || context.visited.count(start)) return nullptr;
    uint16_t count = 0;
    if (!file.readShort(count) || count > kMaxEntries) return nullptr;
    // The records and the next offset must all lie in the file.
    const uint64_t recordsEnd = uint64_t{start} + 2 + uint64_t{count} * kEntrySize;
    if (!file.view().contains(start, recordsEnd + 4 - start)) return nullptr;

    std::unique_ptr<TiffDirectory> directory;
    try {
        directory = std::make_unique<TiffDirectory>();
        directory->entries.reserve(count);
        context.visited.insert(start);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    --context.directoriesLeft;
    directory->position = start;

    for (uint32_t i = 0; i < count; ++i) {
        TiffEntry entry;
        if (ReadEntry(file, context, start + 2 + i * kEntrySize, entry)) {
            directory->entries.push_back(std::move(entry));  // capacity reserved: no allocation
        }
    }
    // TIFF requires ascending tags and lookups rely on it; a damaged file's
    // directory is put in order (stably: of repeated tags the first stays first).
    const auto byTag = [](const TiffEntry& a, const TiffEntry& b) { return a.tag < b.tag; };
    if (!std::is_sorted(directory->entries.begin(), directory->entries.end(), byTag)) {
        std::stable_sort(directory->entries.begin(), directory->entries.end(), byTag);
    }
    if (!file.seek(recordsEnd) || !file.readLong(directory->nextOffset)) return nullptr;
    return directory;
}

std::unique_ptr<TiffDirectory> TiffDirectory::create(uint16_t count) {
    try {
        auto directory = std::make_unique<TiffDirectory>();
        directory->entries.resize(count);
        return directory;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

const TiffEntry* TiffDirectory::find(uint16_t tag) const {
    auto it = std::lower_bound(entries.begin(), entries.end(), tag,
                               [](const TiffEntry& e, uint16_t t) { return e.tag < t; });
    return it != entries.end() && it->tag == tag ? &*it : nullptr;
}

TiffEntry* TiffDirectory::find(uint16_t tag) {
    return const_cast<TiffEntry*>(static_cast<const TiffDirectory*>(this)->find(tag));
}

void TiffDirectory::add(TiffEntry entry) {
    auto it = std::lower_bound(entries.begin(), entries.end(), entry.tag,
                               [](const TiffEntry& e, uint16_t t) { return e.tag < t; });
    if (it != entries.end() && it->tag == entry.tag) {
        *it = std::move(entry);
    } else {
        entries.insert(it, std::move(entry));
    }
}

int TiffDirectory::walk(WalkCallback callback, void* context) const {
    // The chain is followed in a loop, sub-directories by recursion (their
    // nesting is bounded when read from a file).
    for (const TiffDirectory* directory = this; directory; directory = directory->next.get()) {
        if (int result = callback(*directory, nullptr, context)) return result;
        for (const TiffEntry& entry : directory->entries) {
            if (int result = callback(*directory, &entry, context)) return result;
        }
        for (const TiffEntry& entry : directory->entries) {
            if (entry.child && TiffEntry::isSubDirectoryTag(entry.tag)) {
                if (int result = entry.child->walk(callback, context)) return result;
            }
        }
    }
    return 0;
}

}  // namespace kyp
