#include "engine/output/JpegOutputBuffer.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <unistd.h>

namespace kyp {

bool JpegOutputBuffer::append(const uint8_t* bytes, size_t count) noexcept {
    if (count == 0) return true;
    if (!bytes) return false;
    // Room left in the last block first.
    size_t toLast = 0;
    if (!blocks_.empty()) {
        Block& last = blocks_.back();
        toLast = std::min(count, last.capacity - last.used);
    }
    const size_t rest = count - toLast;
    if (rest > 0) {
        // Reserve the slot and the block before touching anything, so that a
        // failure leaves the buffer unchanged.
        const size_t capacity = std::max(rest, kBlockSize);
        Block block;
        block.data.reset(new (std::nothrow) uint8_t[capacity]);
        if (!block.data) return false;
        block.capacity = capacity;
        try {
            blocks_.reserve(blocks_.size() + 1);
        } catch (...) {
            return false;
        }
        if (toLast > 0) {
            Block& last = blocks_.back();
            std::memcpy(last.data.get() + last.used, bytes, toLast);
            last.used += toLast;
        }
        std::memcpy(block.data.get(), bytes + toLast, rest);
        block.used = rest;
        blocks_.push_back(std::move(block));  // capacity reserved: cannot throw
    } else {
        Block& last = blocks_.back();
        std::memcpy(last.data.get() + last.used, bytes, toLast);
        last.used += toLast;
    }
    total_ += count;
    return true;
}

void JpegOutputBuffer::clear() noexcept {
    blocks_.clear();
    total_ = 0;
}

std::vector<uint8_t> JpegOutputBuffer::contiguous() const {
    std::vector<uint8_t> out;
    try {
        out.reserve(total_);
    } catch (...) {
        return out;
    }
    for (const Block& b : blocks_) out.insert(out.end(), b.data.get(), b.data.get() + b.used);
    return out;
}

namespace {

// A uniquely named file beside the target; the kernel applies the umask to
// its mode exactly as for a directly created output file.
int createTemporaryBeside(const std::string& path, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) return -1;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, ".tmp-%ld-%u", static_cast<long>(getpid()), counter.fetch_add(1));
        tempPath = folder + "." + name + suffix;
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool writeWhole(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool writeBufferToFile(const std::string& path, const JpegOutputBuffer& buffer) {
    std::string tempPath;
    const int fd = createTemporaryBeside(path, tempPath);
    if (fd < 0) return false;
    bool ok = true;
    for (size_t i = 0; ok && i < buffer.blockCount(); ++i) ok = writeWhole(fd, buffer.blockData(i), buffer.blockSize(i));
    if (ok) ok = ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    if (ok) ok = std::rename(tempPath.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(tempPath.c_str());
    return ok;
}

}  // namespace kyp
