#include <gtest/gtest.h>

#include "engine/settings/OutputSettings.h"

namespace kyp {
namespace {

TEST(OutputSettings, ConstructResetAndCopy) {
    OutputSettings s;
    EXPECT_EQ(s.WriteFormatTags(), "<fmt=0><tx=1><ta=1><t16=0><jx=1><ja=1><jq=90>");
    s.format = format::jpeg;
    s.t16 = true;
    s.tx = false;
    s.artist.emplace(1, 'A');
    s.ResetToDefaults();
    EXPECT_EQ(s.WriteFormatTags(), "<fmt=0><tx=1><ta=1><t16=0><jx=1><ja=1><jq=95>");
    EXPECT_EQ(s.artist, "A");  // texts survive a reset

    OutputSettings copy;
    copy.CopyFrom(&s);
    s.artist->push_back('B');
    EXPECT_EQ(copy.artist, "A");  // deep
    copy.CopyFrom(nullptr);
    EXPECT_EQ(copy.artist, "A");
    copy.ClearTexts();
    EXPECT_FALSE(copy.artist || copy.copyright || copy.description);
    copy.format = 7;
    EXPECT_STREQ(copy.FormatName(), "unknown");
    EXPECT_STREQ(copy.FormatExtension(), ".");
}

TEST(OutputSettings, TagHandler) {
    OutputSettings s;
    s.ApplyTag("ARTIST", "Ada Lovelace");
    EXPECT_EQ(s.artist, "Ada Lovelace");
    s.ApplyTag("Copyright", "");
    EXPECT_EQ(s.copyright, "");
    s.ApplyTag("jq", "abc");
    s.ApplyTag("JQ", " 42x");
    EXPECT_EQ(s.jpegQuality, 42);
    s.ApplyTag("t16", "3");  // bit 0
    EXPECT_TRUE(s.t16);
    s.ApplyTag("tx", "2");
    EXPECT_FALSE(s.tx);
    s.ApplyTag("fmt", "");
    EXPECT_EQ(s.format, 0u);
    s.ApplyTag("version", "4.0");
    s.ApplyTag("fmt", nullptr);
    s.ApplyTag(nullptr, "1");
    EXPECT_EQ(s.format, 0u);
}

TEST(OutputSettings, FormatTagsFromUntrustedText) {
    OutputSettings s;
    EXPECT_FALSE(s.ReadFormatTags("<fmt=1><tx=0"));  // unterminated: earlier tags applied
    EXPECT_EQ(s.format, 1u);
    EXPECT_FALSE(s.ReadFormatTags(nullptr));
    std::string big = "<description=";
    big.append(size_t{1} << 20, 'x');
    big += '>';
    EXPECT_TRUE(s.ReadFormatTags(big.c_str()));
    EXPECT_EQ(s.description->size(), size_t{1} << 20);
}

}  // namespace
}  // namespace kyp
