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

// (Tags read from texts are compared with recorded results in SettingsDumpTest.)
TEST(OutputSettings, TagHandlerTakesNullKeysAndValues) {
    OutputSettings s;
    s.ApplyTag("Artist", nullptr);
    EXPECT_EQ(s.artist, "");
    s.ApplyTag("fmt", nullptr);
    s.ApplyTag(nullptr, "1");
    EXPECT_EQ(s.format, 0u);
}

}  // namespace
}  // namespace kyp
