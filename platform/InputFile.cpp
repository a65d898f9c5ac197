#include "platform/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "engine/core/ByteOrder.h"
#include "platform/LargeBlock.h"

namespace kyp {

namespace {

// TIFF offsets and sizes are 32-bit: a file must stay below 4 GiB.
constexpr uint64_t kMaxFileSize = 0xFFFFFFFFull;

// Closes a descriptor on every way out of open().
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

InputFile::~InputFile() {
    close();
    ReleaseLargeBlock(buffer_);
}

namespace {

LoadError OpenError(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR: return LoadError::missing;
        case EACCES:
        case EPERM: return LoadError::denied;
        case ENOMEM: return LoadError::outOfMemory;
        case ENXIO:
        case ENODEV:
        case EISDIR: return LoadError::notRegular;
        default: return LoadError::readFailed;
    }
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

}  // namespace

bool InputFile::open(const std::string& path) {
    close();
    error_ = LoadError::missing;
    if (path.empty() || path.size() >= kMaxPath) return false;

    // O_NONBLOCK: opening a FIFO without a writer, or a device, must not wait.
    // Regular files ignore the flag.
    Descriptor file;
    file.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (file.fd < 0) {
        error_ = OpenError(errno);
        return false;
    }
    struct stat before {};
    if (::fstat(file.fd, &before) != 0) {
        error_ = LoadError::readFailed;
        return false;
    }
    if (!S_ISREG(before.st_mode)) {
        error_ = LoadError::notRegular;
        return false;
    }
    if (before.st_size <= 0 || static_cast<uint64_t>(before.st_size) > kMaxFileSize) {
        error_ = LoadError::notOrf;
        return false;
    }

    const size_t size = static_cast<size_t>(before.st_size);
    // The block of the previous file is reused when it is large enough: a
    // batch of files of one camera then reads each into the same pages.
    if (buffer_ && bufferCapacity_ < size) {
        ReleaseLargeBlock(buffer_);
        buffer_ = nullptr;
        bufferCapacity_ = 0;
    }
    if (!buffer_) {
        buffer_ = static_cast<uint8_t*>(AllocateLargeBlock(size));
        if (!buffer_) {
            error_ = LoadError::outOfMemory;
            return false;
        }
        bufferCapacity_ = size;
    }
    uint8_t* const buffer = buffer_;
    (void)::posix_fadvise(file.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    size_t done = 0;
    bool readFailed = false;
    while (done < size) {
        const ssize_t n = ::pread(file.fd, buffer + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        readFailed = n < 0;
        if (n <= 0) break;  // an error, or the file became shorter
        done += static_cast<size_t>(n);
    }
    struct stat after {};
    if (done != size || ::fstat(file.fd, &after) != 0 || !SameFile(before, after)) {
        error_ = readFailed ? LoadError::readFailed : LoadError::changed;
        return false;
    }

    bufferSize_ = size;
    view_ = ByteView(buffer, size);
    path_ = path;
    position_ = 0;
    open_ = true;
    error_ = LoadError::none;
    return true;
}

bool InputFile::openMemory(ByteView bytes) {
    close();
    ReleaseLargeBlock(buffer_);
    buffer_ = nullptr;
    bufferCapacity_ = 0;
    if (bytes.size() > kMaxFileSize) return false;
    view_ = bytes;
    position_ = 0;
    open_ = true;
    error_ = LoadError::none;
    return true;
}

void InputFile::close() {
    bufferSize_ = 0;  // the block stays for the next file
    view_ = ByteView();
    path_.clear();
    position_ = 0;
    open_ = false;
}

uint8_t* InputFile::writableBytes(uint64_t offset, uint64_t length) {
    if (!open_ || buffer_ == nullptr || view_.data() != buffer_ || !view_.contains(offset, length)) return nullptr;
    return buffer_ + offset;
}

bool InputFile::seek(uint64_t offset) {
    if (!open_ || offset > view_.size()) return false;
    position_ = static_cast<uint32_t>(offset);
    return true;
}

bool InputFile::readBytes(size_t n, uint8_t* destination) {
    const uint8_t* p = open_ ? view_.at(position_, n) : nullptr;
    if (!p) return false;
    if (n) std::memcpy(destination, p, n);
    position_ += static_cast<uint32_t>(n);
    return true;
}

bool InputFile::readShorts(size_t n, uint16_t* destination) {
    const uint8_t* p = open_ && n <= view_.size() / 2 ? view_.at(position_, uint64_t{n} * 2) : nullptr;
    if (!p) return false;
    for (size_t i = 0; i < n; ++i) destination[i] = Load16(p + 2 * i, bigEndian_);
    position_ += static_cast<uint32_t>(n * 2);
    return true;
}

bool InputFile::readLongs(size_t n, uint32_t* destination) {
    const uint8_t* p = open_ && n <= view_.size() / 4 ? view_.at(position_, uint64_t{n} * 4) : nullptr;
    if (!p) return false;
    for (size_t i = 0; i < n; ++i) destination[i] = Load32(p + 4 * i, bigEndian_);
    position_ += static_cast<uint32_t>(n * 4);
    return true;
}

}  // namespace kyp
