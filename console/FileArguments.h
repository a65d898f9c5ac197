#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace kyp {

// Path handling for the file arguments of kyp2tiff: "/" is the only
// separator (a backslash is an ordinary name character), the extension is
// taken from the file name only (see engine/core/PathText.h), and wildcards
// ("*", "?") are allowed in the last component, matched without regard to
// ASCII case.

// Every run of "/" becomes a single "/".
[[nodiscard]] std::string CollapseSeparators(std::string_view path);

// As CollapseSeparators, then a trailing "/" is dropped unless the path is
// the root itself.
[[nodiscard]] std::string NormaliseFolder(std::string_view path);

// Output name of input: beside the input when folder is empty, otherwise
// folder "/" the input's file name; the extension replaced either way.
[[nodiscard]] std::string MakeOutputName(std::string_view input, std::string_view folder,
                                         std::string_view extension);

[[nodiscard]] bool HasWildcard(std::string_view path);

// "*" matches any run of characters, "?" any one character; letters match
// without regard to ASCII case.
[[nodiscard]] bool MatchWildcard(std::string_view pattern, std::string_view name);

// Every entry of the pattern's folder whose name matches the pattern's last
// component (folders included, "." and ".." never), as the pattern's folder
// part followed by the name, sorted by plain byte comparison. A folder that
// cannot be read gives no match.
[[nodiscard]] std::vector<std::string> ExpandWildcard(std::string_view pattern);

enum class PathKind { missing, folder, notFolder };

[[nodiscard]] PathKind QueryPath(const std::string& path);

}  // namespace kyp
