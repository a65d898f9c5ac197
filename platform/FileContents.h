#pragma once
#include <cstddef>
#include <string>

namespace kyp {

// Reads a whole regular file into out. False when it cannot be opened or read,
// is not a regular file, or is larger than maxSize bytes.
[[nodiscard]] bool ReadFileContents(const std::string& path, size_t maxSize, std::string& out);

// Creates or replaces path with size bytes through an AtomicFile: a failed
// write leaves any previous file untouched and no partial file behind. The
// file gets exactly the given permission bits.
[[nodiscard]] bool ReplaceFileContents(const std::string& path, const void* data, size_t size,
                                       unsigned permissions = 0644);

}  // namespace kyp
