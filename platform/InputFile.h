#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/core/ByteView.h"
#include "engine/core/LoadError.h"

namespace kyp {

// A file read whole into memory, with a cursor and a byte order for the TIFF
// reader. It can also wrap bytes that the caller owns (tests, fuzzing), so
// the reader never needs a file to work on.
//
// The file is read, not mapped: a mapped file that another program truncates
// or rewrites while it is read would end the process with SIGBUS. A file
// whose size or modification time changes while it is read is refused.
//
// Sizes and offsets are 32-bit in TIFF: files of 4 GiB or more are refused.
// Every read is checked against the end of the view; a read that does not fit
// fails and leaves the cursor where it was.
class InputFile {
public:
    // The longest path accepted (the platform's PATH_MAX).
    static constexpr size_t kMaxPath = 4096;

    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Closes what was open, then reads the regular file at path. Fails on an
    // empty or over-long path, a missing file, a directory or other non-regular
    // file (a pipe or device is never opened for reading, so it cannot block),
    // an empty file, a file of 4 GiB or more, a file that changes while it is
    // read, or a failed read or allocation; error() then says which.
    [[nodiscard]] bool open(const std::string& path);
    // Closes what was open, then reads from bytes the caller keeps alive until
    // close(). An empty view is accepted (every read then fails).
    [[nodiscard]] bool openMemory(ByteView bytes);
    // Forgets the file and the path (the memory block is kept for the next
    // open and freed with the object). Safe to call twice.
    void close();

    [[nodiscard]] bool isOpen() const { return open_; }
    // Why the last open() failed (LoadError::none after a success).
    [[nodiscard]] LoadError error() const { return error_; }
    [[nodiscard]] const std::string& path() const { return path_; }
    [[nodiscard]] ByteView view() const { return view_; }
    [[nodiscard]] const uint8_t* data() const { return view_.data(); }
    [[nodiscard]] uint32_t size() const { return static_cast<uint32_t>(view_.size()); }
    // The length bytes at offset in this object's own copy of the file, which
    // the caller may change in place (the raw loader turns the raw strip into
    // samples where it lies). Null when they do not fit in the file, or when
    // the bytes are the caller's (openMemory): those are never written.
    [[nodiscard]] uint8_t* writableBytes(uint64_t offset, uint64_t length);
    // The cursor as a file offset.
    [[nodiscard]] uint32_t position() const { return position_; }

    void setByteOrder(bool bigEndian) { bigEndian_ = bigEndian; }
    [[nodiscard]] bool bigEndian() const { return bigEndian_; }

    // Fails when nothing is open or offset > size (offset == size is accepted).
    [[nodiscard]] bool seek(uint64_t offset);
    // Each copies n values at the cursor into destination, converting 16- and
    // 32-bit values from the file's byte order to the machine's, and advances
    // the cursor. Fails, cursor unchanged, when the n values do not fit.
    [[nodiscard]] bool readBytes(size_t n, uint8_t* destination);
    [[nodiscard]] bool readShorts(size_t n, uint16_t* destination);
    [[nodiscard]] bool readLongs(size_t n, uint32_t* destination);
    [[nodiscard]] bool readShort(uint16_t& value) { return readShorts(1, &value); }
    [[nodiscard]] bool readLong(uint32_t& value) { return readLongs(1, &value); }

private:
    std::string path_;
    ByteView view_;
    uint8_t* buffer_ = nullptr;  // the file's bytes (kept from file to file), or null
    size_t bufferSize_ = 0;      // bytes of the open file in it
    size_t bufferCapacity_ = 0;
    LoadError error_ = LoadError::none;
    uint32_t position_ = 0;
    bool bigEndian_ = false;
    bool open_ = false;
};

}  // namespace kyp
