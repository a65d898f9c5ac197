#include "engine/output/JpegOutputBuffer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/AtomicFile.h"

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

bool writeBufferToFile(const std::string& path, const JpegOutputBuffer& buffer, int* error) {
    AtomicFile file;
    file.SetDurable(false);  // an image remade at will: the rename is protection enough
    bool written = file.Open(path);
    for (size_t i = 0; written && i < buffer.blockCount(); ++i)
        written = file.Write(buffer.blockData(i), buffer.blockSize(i));  // a failure discards the file
    if (written && file.Commit()) return true;
    if (error) *error = file.Error();
    return false;
}

}  // namespace kyp
