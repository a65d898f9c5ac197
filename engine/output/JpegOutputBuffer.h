#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kyp {

// The bytes of an encoded file, gathered in memory before they go to disk: an
// ordered list of blocks of at least kBlockSize bytes with a running total.
// Appending fills the last block and opens one new block, sized to the rest,
// for what does not fit. Nothing here throws: allocation failure is a false
// result and leaves the buffer as it was.
class JpegOutputBuffer {
public:
    static constexpr size_t kBlockSize = 2048;  // the encoder's destination block

    JpegOutputBuffer() = default;
    JpegOutputBuffer(const JpegOutputBuffer&) = delete;
    JpegOutputBuffer& operator=(const JpegOutputBuffer&) = delete;
    JpegOutputBuffer(JpegOutputBuffer&&) noexcept = default;
    JpegOutputBuffer& operator=(JpegOutputBuffer&&) noexcept = default;

    [[nodiscard]] bool append(const uint8_t* bytes, size_t count) noexcept;
    void clear() noexcept;

    [[nodiscard]] size_t size() const noexcept { return total_; }
    [[nodiscard]] bool empty() const noexcept { return total_ == 0; }
    [[nodiscard]] size_t blockCount() const noexcept { return blocks_.size(); }
    // Used bytes of block i (i < blockCount()).
    [[nodiscard]] const uint8_t* blockData(size_t i) const noexcept { return blocks_[i].data.get(); }
    [[nodiscard]] size_t blockSize(size_t i) const noexcept { return blocks_[i].used; }

    // All bytes in one contiguous copy (tests, small callers). Empty on allocation failure.
    [[nodiscard]] std::vector<uint8_t> contiguous() const;

private:
    struct Block {
        std::unique_ptr<uint8_t[]> data;
        size_t capacity = 0;
        size_t used = 0;
    };
    std::vector<Block> blocks_;
    size_t total_ = 0;
};

// Writes the buffer's blocks in order to path through an AtomicFile: the bytes
// go to a temporary file in the target folder, renamed over path only once
// every block has been written whole and flushed; on any failure the temporary
// file is removed and an existing file at path is left untouched, and error
// (when given) holds the reason as an errno value.
[[nodiscard]] bool writeBufferToFile(const std::string& path, const JpegOutputBuffer& buffer, int* error = nullptr);

}  // namespace kyp
