#pragma once
#include <functional>

namespace kyp {

// Called for every complete tag with its name (at most 80 characters) and its
// value (empty for a tag without one). Both texts are zero-terminated and live
// only for the call; a callback that keeps them copies them. Returning false
// stops the reader.
using TagCallback = bool (*)(const char* name, const char* value, void* context);

// Reads a tagged text such as
//   <KypImport><version=4.0>
//   <Options="(levels) gamma=2.2 ..."><fmt=0><tx=1> <-- comment -->
// length is the number of characters, or -1 for a zero-terminated text. With
// an explicit length a zero character is white space like in the file. True
// only when the whole text was read and it ended outside every tag; tags read
// before an error have already reached the callback. Reads nothing outside
// [text, text + length).
[[nodiscard]] bool ReadTags(const char* text, int length, TagCallback callback, void* context);

// The same with any callable.
[[nodiscard]] bool ReadTags(const char* text, int length,
                            const std::function<bool(const char* name, const char* value)>& callback);

}  // namespace kyp
