#pragma once
#include <cstdint>
#include <unordered_set>

namespace kyp {

// State shared by all directory reads of one parse: the offsets of the
// directories read so far (a pointer back to one of them is a loop and is not
// followed), the nesting depth, and budgets that bound what a damaged file can
// make us read and allocate.
struct TiffReadContext {
    // Sub-directory nesting: Exif inside the main directory is depth 1, its
    // Interoperability directory depth 2; real files go no deeper than 3.
    static constexpr int kMaxDepth = 8;
    // Directories per document: a camera file has well under 20.
    static constexpr int kMaxDirectories = 512;

    std::unordered_set<uint32_t> visited;  // directory offsets already read
    int depth = 0;                         // nesting of the directory being read
    int directoriesLeft = kMaxDirectories;
    // Out-of-line bytes we may still copy. Values lie inside the file, so a
    // sane file never needs more than its own size in copies; twice that plus
    // 64 KiB leaves room for shared data without letting many entries that
    // point at one large block multiply memory use.
    uint64_t dataBytesLeft = 0;

    explicit TiffReadContext(uint32_t fileSize) : dataBytesLeft(2 * uint64_t{fileSize} + (1u << 16)) {}
};

}  // namespace kyp
