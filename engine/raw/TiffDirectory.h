#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/raw/TiffEntry.h"

namespace kyp {

class InputFile;
struct TiffReadContext;

// What a directory is, set when it is read.
enum class DirectoryKind : uint32_t {
    Unknown = 0,              // third and later directories of the main chain
    MainImage = 1,            // first directory of the chain
    Thumbnail = 2,            // second of the chain; SubIFDs child with NewSubfileType bit 0 set
    FullResolutionImage = 3,  // SubIFDs child with NewSubfileType bit 0 clear
    Exif = 4,                 // child of the Exif pointer (34665)
    SubIfd = 5,               // SubIFDs (330) child without NewSubfileType
    Interoperability = 6,     // child of the Interoperability pointer (40965)
};

// "<unknown>", "Main Image", "Thumbnail", "Full Resolution Image", "Exif",
// "Sub-IFD", "Interoperability"; "<unknown>" for values outside the list.
[[nodiscard]] const char* DirectoryKindName(DirectoryKind kind);

// One image file directory: its entries in file order (which TIFF requires to
// be ascending by tag), the offset of the next directory of the chain and,
// once read, that directory itself.
//
// A directory read from a file whose tags are out of order is sorted by tag
// (stably), so that find() and the walk see the same entries.
//
// Entries that could not be read (unknown type, values outside the file,
// unreadable sub-directory) are not kept at all, so lookups and walks never
// see them.
class TiffDirectory {
public:
    // A directory holds at most this many entries. Real files hold a few
    // dozen; the limit bounds what a damaged count can make us read.
    static constexpr uint16_t kMaxEntries = 100;

    std::vector<TiffEntry> entries;
    uint32_t nextOffset = 0;
    std::unique_ptr<TiffDirectory> next;
    uint32_t position = 0;  // file offset of the entry count
    DirectoryKind kind = DirectoryKind::Unknown;

    TiffDirectory() = default;
    ~TiffDirectory();  // frees the chain iteratively (no recursion down long chains)
    TiffDirectory(const TiffDirectory&) = delete;
    TiffDirectory& operator=(const TiffDirectory&) = delete;

    [[nodiscard]] uint16_t count() const { return static_cast<uint16_t>(entries.size()); }

    // Reads a directory at the file's cursor, with its sub-directories (not
    // the next directories of the chain). Nothing when it cannot be read. The
    // cursor is left after the directory's next offset.
    [[nodiscard]] static std::unique_ptr<TiffDirectory> read(InputFile& file);
    // The same within one document's parse: context holds the offsets already
    // read, so no directory is read twice.
    [[nodiscard]] static std::unique_ptr<TiffDirectory> read(InputFile& file, TiffReadContext& context);

    // An empty directory with count default entries (tag 0, type 0) for a
    // writer to fill in; nothing when memory runs out.
    [[nodiscard]] static std::unique_ptr<TiffDirectory> create(uint16_t count);

    // Binary search by tag.
    [[nodiscard]] const TiffEntry* find(uint16_t tag) const;
    [[nodiscard]] TiffEntry* find(uint16_t tag);

    // Inserts entry keeping ascending tag order (replacing one of the same tag).
    void add(TiffEntry entry);

    // Depth first: callback(directory, nullptr), then callback(directory,
    // &entry) for each entry, then the walk of each sub-directory entry's
    // child in entry order, then the next directory of the chain. The first
    // non-zero result ends the walk and is returned; 0 otherwise.
    using WalkCallback = int (*)(const TiffDirectory& directory, const TiffEntry* entry, void* context);
    int walk(WalkCallback callback, void* context) const;
    template <class F>
    int walk(F function) const {
        return walk(
            [](const TiffDirectory& d, const TiffEntry* e, void* c) -> int { return (*static_cast<F*>(c))(d, e); },
            static_cast<void*>(&function));
    }
};

}  // namespace kyp
