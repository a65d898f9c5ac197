#pragma once
#include <string>
#include <string_view>

// File-name text of paths: "/" is the only separator (a backslash is an
// ordinary name character), and the extension is taken from the file name
// only, from its last "." on: a "." inside a folder name is never an
// extension. Nothing here touches the file system.
namespace kyp {

// The part after the last "/" (the whole path when there is none). A view
// into path, so for a zero-terminated path it is zero-terminated as well.
[[nodiscard]] std::string_view FileNamePart(std::string_view path);

// True when the file name's extension (from its last ".") equals extension
// (".kis", ".acv") without regard to ASCII case.
[[nodiscard]] bool HasExtension(std::string_view path, std::string_view extension);

// path with the file name's extension replaced by extension (which carries
// its own "."), or extension appended when the file name has no ".".
[[nodiscard]] std::string ReplaceExtension(std::string_view path, std::string_view extension);

}  // namespace kyp
