#include "engine/raw/TiffDocument.h"

#include <cstring>

#include "engine/core/ByteOrder.h"

namespace kyp {

namespace {

constexpr uint64_t kMaxOffset = 0xFFFFFFFFull;

uint64_t AlignUp(uint64_t offset, uint32_t alignment) {
    if (alignment <= 1) return offset;
    return (offset + alignment - 1) / alignment * alignment;
}

}  // namespace

TiffDocument::~TiffDocument() { close(); }

bool TiffDocument::open(const std::string& path) {
    close();
    return file_.open(path) && startFile();
}

bool TiffDocument::openMemory(ByteView bytes) {
    close();
    return file_.openMemory(bytes) && startFile();
}

bool TiffDocument::startFile() {
    uint8_t mark[2] = {0, 0};
    // A file shorter than two bytes keeps the little-endian default; the
    // header read of parse() fails on it.
    if (file_.readBytes(2, mark)) file_.setByteOrder(mark[0] == 'M' && mark[1] == 'M');
    return file_.seek(0);
}

void TiffDocument::close() {
    root_.reset();
    header_ = Header{};
    file_.close();
}

bool TiffDocument::parse() {
    root_.reset();
    header_ = Header{};
    if (!file_.isOpen()) return false;

    // Header: byte-order mark as stored, then version and first offset in
    // that byte order. Nothing in it is validated.
    uint8_t mark[2];
    if (!file_.seek(0) || !file_.readBytes(2, mark)) return false;
    std::memcpy(&header_.byteOrder, mark, 2);
    file_.setByteOrder(mark[0] == 'M' && mark[1] == 'M');
    if (!file_.readShort(header_.version) || !file_.readLong(header_.firstOffset)) return false;

    TiffReadContext context(file_.size());
    if (!file_.seek(header_.firstOffset)) return false;
    root_ = TiffDirectory::read(file_, context);
    if (!root_) return false;
    root_->kind = DirectoryKind::MainImage;

    // The rest of the chain: the second directory is the thumbnail's, later
    // ones have no name. The first that cannot be read (or was read before:
    // a loop) ends the chain.
    TiffDirectory* last = root_.get();
    while (last->nextOffset != 0 && file_.seek(last->nextOffset)) {
        last->next = TiffDirectory::read(file_, context);
        if (!last->next) break;
        last->next->kind = last == root_.get() ? DirectoryKind::Thumbnail : DirectoryKind::Unknown;
        last = last->next.get();
    }
    return true;
}

const TiffDirectory* TiffDocument::findDirectory(DirectoryKind kind) const {
    if (!root_) return nullptr;
    const TiffDirectory* found = nullptr;
    root_->walk([&](const TiffDirectory& directory, const TiffEntry* entry) -> int {
        if (entry || directory.kind != kind) return 0;
        found = &directory;
        return 1;
    });
    return found;
}

const TiffEntry* TiffDocument::findEntryAnywhere(uint16_t tag, const TiffDirectory** holder) const {
    if (holder) *holder = nullptr;
    if (!root_) return nullptr;
    const TiffEntry* found = nullptr;
    root_->walk([&](const TiffDirectory& directory, const TiffEntry* entry) -> int {
        if (entry) return 0;
        found = directory.find(tag);
        if (!found) return 0;
        if (holder) *holder = &directory;
        return 1;
    });
    return found;
}

void TiffDocument::initHeader(uint16_t byteOrderMark, uint16_t version) {
    header_.byteOrder = byteOrderMark;
    header_.version = version;
    header_.firstOffset = 8;
}

std::array<uint8_t, 8> TiffDocument::headerBytes() const {
    std::array<uint8_t, 8> bytes{};
    std::memcpy(bytes.data(), &header_.byteOrder, 2);
    const bool bigEndian = bytes[0] == 'M' && bytes[1] == 'M';
    Store16(bytes.data() + 2, header_.version, bigEndian);
    Store32(bytes.data() + 4, header_.firstOffset, bigEndian);
    return bytes;
}

bool TiffDocument::placeDirectory(TiffDirectory& directory) {
    const uint64_t at = AlignUp(layout_, 2);
    const uint64_t end = at + 2 + 12 * uint64_t{directory.entries.size()} + 4;
    if (end > kMaxOffset) return false;
    directory.position = static_cast<uint32_t>(at);
    layout_ = end;
    return true;
}

bool TiffDocument::placeData(TiffEntry& entry) {
    const uint64_t size = entry.dataSize();
    if (size == 0) return true;
    const uint64_t at = AlignUp(layout_, TiffEntry::typeAlignment(entry.type));
    if (at + size > kMaxOffset) return false;
    entry.value = static_cast<uint32_t>(at);
    layout_ = at + size;
    return true;
}

bool TiffDocument::reserve(uint64_t size, uint32_t alignment, uint32_t& offset) {
    const uint64_t at = AlignUp(layout_, alignment);
    if (size > kMaxOffset || at + size > kMaxOffset) return false;
    offset = static_cast<uint32_t>(at);
    layout_ = at + size;
    return true;
}

bool TiffDocument::writeData(std::span<uint8_t> buffer, const TiffEntry& entry) {
    const uint64_t size = entry.dataSize();
    if (size == 0) return true;
    if (entry.data.size() < size) return false;
    if (entry.value > buffer.size() || size > buffer.size() - entry.value) return false;
    std::memcpy(buffer.data() + entry.value, entry.data.data(), static_cast<size_t>(size));
    return true;
}

bool TiffDocument::writeDirectoryData(std::span<uint8_t> buffer, const TiffDirectory& directory) {
    for (const TiffEntry& entry : directory.entries) {
        if (!writeData(buffer, entry)) return false;
    }
    return true;
}

}  // namespace kyp
