#pragma once
#include <cstddef>
#include <string_view>

// ASCII character classes and letter case for names, switches, keywords and
// file-name extensions. None of them looks at the C locale, so a program
// running under the user's locale (in a Turkish one "I" does not lower to
// "i") still matches "-REGISTER", "KypImport" or ".ORF" the same way
// everywhere. Bytes outside ASCII compare as themselves.
namespace kyp::ascii {

[[nodiscard]] constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
[[nodiscard]] constexpr bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
[[nodiscard]] constexpr bool IsAlnum(char c) { return IsDigit(c) || IsLetter(c); }
[[nodiscard]] constexpr char ToLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

// Same length and the same characters once A-Z are folded to a-z.
[[nodiscard]] constexpr bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (ToLower(a[i]) != ToLower(b[i])) return false;
    return true;
}

}  // namespace kyp::ascii
