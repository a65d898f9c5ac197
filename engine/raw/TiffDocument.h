#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "engine/core/ByteView.h"
#include "engine/raw/TiffDirectory.h"
#include "engine/raw/TiffReadContext.h"
#include "platform/InputFile.h"

namespace kyp {

// Byte-order marks as the first two bytes of a TIFF file read them.
inline constexpr uint16_t kByteOrderIntel = 0x4949;     // "II", little-endian
inline constexpr uint16_t kByteOrderMotorola = 0x4D4D;  // "MM", big-endian

// A TIFF or ORF file opened for reading (read into memory, then parsed into a tree of
// directories), or a tree built in memory for writing.
//
// ORF files are big-endian TIFF files with the letters "OR" where TIFF has
// 42; the version is never checked. All offsets, the maker note's included,
// count from the first byte of the file.
//
// Loops: a document remembers the offset of every directory it has read. A
// chain's next offset or a sub-directory pointer that leads to a directory
// already read (itself included) is not followed: the chain ends there, the
// pointer entry is dropped. The tree is therefore a true tree and every walk
// ends. Nesting of sub-directories is limited to kMaxDepth and a document
// reads at most kMaxDirectories directories.
class TiffDocument {
public:
    static constexpr int kMaxDepth = TiffReadContext::kMaxDepth;
    static constexpr int kMaxDirectories = TiffReadContext::kMaxDirectories;

    struct Header {
        uint16_t byteOrder = 0;  // kByteOrderIntel or kByteOrderMotorola, as stored
        uint16_t version = 0;    // 42, or "OR" (0x4F52) in ORF files
        uint32_t firstOffset = 0;
    };

    TiffDocument() = default;
    ~TiffDocument();
    TiffDocument(const TiffDocument&) = delete;
    TiffDocument& operator=(const TiffDocument&) = delete;

    // close(), then read the file into memory and take the byte order from
    // its first two bytes (big-endian exactly when they are "MM").
    // file().error() says why it failed.
    [[nodiscard]] bool open(const std::string& path);
    // The same over bytes the caller keeps alive until close().
    [[nodiscard]] bool openMemory(ByteView bytes);
    // Reads the header and the directory chain. Fails when the first directory
    // offset lies beyond the file or the first directory cannot be read; a
    // later directory that cannot be read ends the chain.
    [[nodiscard]] bool parse();
    // Frees the tree and unmaps the file. Safe to call twice.
    void close();

    [[nodiscard]] bool isOpen() const { return file_.isOpen(); }
    [[nodiscard]] InputFile& file() { return file_; }
    [[nodiscard]] const InputFile& file() const { return file_; }
    [[nodiscard]] const Header& header() const { return header_; }
    [[nodiscard]] TiffDirectory* root() { return root_.get(); }
    [[nodiscard]] const TiffDirectory* root() const { return root_.get(); }

    // The first directory of kind in walk order, or nullptr.
    [[nodiscard]] const TiffDirectory* findDirectory(DirectoryKind kind) const;
    // The first entry with tag in walk order (a main-directory entry wins
    // over an Exif one), and the directory holding it; nullptr when none.
    [[nodiscard]] const TiffEntry* findEntryAnywhere(uint16_t tag, const TiffDirectory** holder = nullptr) const;

    // For writers: mark, version and first directory offset 8.
    void initHeader(uint16_t byteOrderMark, uint16_t version);
    // The header's eight bytes as they stand in a file of the header's byte order.
    [[nodiscard]] std::array<uint8_t, 8> headerBytes() const;

    // ---- layout for writing; the layout cursor is a file offset ----
    // Each placing call fails (and leaves the cursor alone) when the result
    // would not fit a 32-bit offset.
    void startLayout() { layout_ = 8; }  // just after the header
    [[nodiscard]] uint32_t layoutCursor() const { return static_cast<uint32_t>(layout_); }
    // Rounds the cursor up to even, sets directory.position, advances by
    // 2 + 12 × count + 4.
    [[nodiscard]] bool placeDirectory(TiffDirectory& directory);
    // Nothing for inline values; else aligns the cursor for the type, sets
    // entry.value to it and advances by dataSize().
    [[nodiscard]] bool placeData(TiffEntry& entry);
    // Aligns the cursor (alignment above 1), gives it in offset, advances by size.
    [[nodiscard]] bool reserve(uint64_t size, uint32_t alignment, uint32_t& offset);
    // Copy the entry's (each entry's) out-of-line data, as held (machine
    // order), to buffer + entry.value. Fail when it would not fit in buffer.
    [[nodiscard]] static bool writeData(std::span<uint8_t> buffer, const TiffEntry& entry);
    [[nodiscard]] static bool writeDirectoryData(std::span<uint8_t> buffer, const TiffDirectory& directory);

private:
    [[nodiscard]] bool startFile();

    InputFile file_;
    Header header_;
    std::unique_ptr<TiffDirectory> root_;
    uint64_t layout_ = 8;
};

}  // namespace kyp
