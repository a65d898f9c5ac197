#include "engine/core/AsciiText.h"

#include <gtest/gtest.h>

#include <cctype>
#include <clocale>

namespace kyp {

// The C library's classes in the "C" locale are the reference: every byte
// value, including those above 127 that a locale could fold or count as a letter.
TEST(AsciiText, ClassesAndLowerCaseMatchTheCLocaleForEveryByte) {
    ASSERT_NE(std::setlocale(LC_CTYPE, "C"), nullptr);
    for (int code = 0; code < 256; ++code) {
        const auto c = static_cast<char>(code);
        EXPECT_EQ(ascii::ToLower(c), static_cast<char>(std::tolower(code))) << code;
        EXPECT_EQ(ascii::IsDigit(c), std::isdigit(code) != 0) << code;
        EXPECT_EQ(ascii::IsLetter(c), std::isalpha(code) != 0) << code;
        EXPECT_EQ(ascii::IsAlnum(c), std::isalnum(code) != 0) << code;
    }
}

TEST(AsciiText, EqualsNoCaseFoldsOnlyAsciiLetters) {
    EXPECT_TRUE(ascii::EqualsNoCase("KypImport", "kYPiMPORT"));
    EXPECT_TRUE(ascii::EqualsNoCase(".ORF", ".orf"));
    EXPECT_TRUE(ascii::EqualsNoCase("", ""));
    // Same letters, different lengths: neither is a prefix match.
    EXPECT_FALSE(ascii::EqualsNoCase("orf", "orfx"));
    EXPECT_FALSE(ascii::EqualsNoCase("orfx", "orf"));
    // Pairs 32 apart that are not letters: a fold by setting bit 5 would join them.
    EXPECT_FALSE(ascii::EqualsNoCase("@", "`"));
    EXPECT_FALSE(ascii::EqualsNoCase("[", "{"));
    EXPECT_FALSE(ascii::EqualsNoCase("^", "~"));
    // Latin-1 upper and lower A with diaeresis stay different bytes.
    EXPECT_FALSE(ascii::EqualsNoCase("\xC4", "\xE4"));
    // The whole view counts, zero bytes included.
    EXPECT_FALSE(ascii::EqualsNoCase(std::string_view("a\0b", 3), std::string_view("a\0c", 3)));
}

}  // namespace kyp
