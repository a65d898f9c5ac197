#include "platform/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>

namespace kyp {

namespace {

// TIFF offsets and sizes are 32-bit: a file must stay below 4 GiB.
constexpr uint64_t kMaxFileSize = 0xFFFFFFFFull;

uint16_t Load16(const uint8_t* p, bool bigEndian) {
    return bigEndian ? static_cast<uint16_t>(p[0] << 8 | p[1]) : static_cast<uint16_t>(p[1] << 8 | p[0]);
}

uint32_t Load32(const uint8_t* p, bool bigEndian) {
    return bigEndian ? (uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3])
                     : (uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0]);
}

// Closes a descriptor on every way out of open().
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

MappedFile::~MappedFile() { close(); }

bool MappedFile::open(const std::string& path, bool populate) {
    close();
    if (path.empty() || path.size() >= kMaxPath) return false;

    Descriptor file;
    file.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file.fd < 0) return false;
    struct stat info {};
    if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
    if (info.st_size <= 0 || static_cast<uint64_t>(info.st_size) > kMaxFileSize) return false;

    const size_t size = static_cast<size_t>(info.st_size);
    void* mapping = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | (populate ? MAP_POPULATE : 0), file.fd, 0);
    if (mapping == MAP_FAILED) return false;
    // The raw data is read once from front to back.
    (void)::madvise(mapping, size, MADV_SEQUENTIAL);

    mapping_ = mapping;
    mappingSize_ = size;
    view_ = ByteView(static_cast<const uint8_t*>(mapping), size);
    path_ = path;
    position_ = 0;
    open_ = true;
    return true;  // the mapping keeps the file; the descriptor closes here
}

void MappedFile::dropPages(uint64_t offset, uint64_t length) {
    if (mapping_ == nullptr || offset >= mappingSize_) return;
    length = std::min<uint64_t>(length, mappingSize_ - offset);
    const auto page = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    if (page == 0 || page > UINT32_MAX) return;
    const uint64_t first = (offset + page - 1) / page * page;
    const uint64_t end = (offset + length) / page * page;
    if (end <= first) return;
    // A private read-only file mapping: dropped pages are read again on use.
    (void)::madvise(static_cast<uint8_t*>(mapping_) + first, static_cast<size_t>(end - first), MADV_DONTNEED);
}

bool MappedFile::openMemory(ByteView bytes) {
    close();
    if (bytes.size() > kMaxFileSize) return false;
    view_ = bytes;
    position_ = 0;
    open_ = true;
    return true;
}

void MappedFile::close() {
    if (mapping_) ::munmap(mapping_, mappingSize_);
    mapping_ = nullptr;
    mappingSize_ = 0;
    view_ = ByteView();
    path_.clear();
    position_ = 0;
    open_ = false;
}

bool MappedFile::seek(uint64_t offset) {
    if (!open_ || offset > view_.size()) return false;
    position_ = static_cast<uint32_t>(offset);
    return true;
}

bool MappedFile::readBytes(size_t n, uint8_t* destination) {
    const uint8_t* p = open_ ? view_.at(position_, n) : nullptr;
    if (!p) return false;
    if (n) std::memcpy(destination, p, n);
    position_ += static_cast<uint32_t>(n);
    return true;
}

bool MappedFile::readShorts(size_t n, uint16_t* destination) {
    const uint8_t* p = open_ && n <= view_.size() / 2 ? view_.at(position_, uint64_t{n} * 2) : nullptr;
    if (!p) return false;
    for (size_t i = 0; i < n; ++i) destination[i] = Load16(p + 2 * i, bigEndian_);
    position_ += static_cast<uint32_t>(n * 2);
    return true;
}

bool MappedFile::readLongs(size_t n, uint32_t* destination) {
    const uint8_t* p = open_ && n <= view_.size() / 4 ? view_.at(position_, uint64_t{n} * 4) : nullptr;
    if (!p) return false;
    for (size_t i = 0; i < n; ++i) destination[i] = Load32(p + 4 * i, bigEndian_);
    position_ += static_cast<uint32_t>(n * 4);
    return true;
}

}  // namespace kyp
