#include <gtest/gtest.h>

#include "engine/settings/StoredSettings.h"
#include "platform/TestFolder.h"

namespace kyp {
namespace {

class StoredSettingsTest : public ::testing::Test {
protected:
    test::TestFolder folder_;
    test::ScopedConfigHome home_{folder_.path()};
};

TEST_F(StoredSettingsTest, Options) {
    SettingsStore store;
    ASSERT_TRUE(store.CreateForWriting());
    ImportSettings s;
    SetDefaults(s);
    const ImportSettings defaults = s;
    EXPECT_FALSE(ReadStoredOptions(store, s));  // missing

    ImportSettings written = defaults;
    written.options = opt::gray | opt::usm;
    written.usmAmount = 333;
    ASSERT_TRUE(WriteStoredOptions(store, written));
    ASSERT_TRUE(ReadStoredOptions(store, s));
    EXPECT_EQ(s.options, written.options);
    EXPECT_EQ(s.usmAmount, 333);

    // 1023 characters and the terminator make 1024 bytes: ignored, record kept.
    ASSERT_TRUE(store.WriteString("Options", "(wb)" + std::string(1019, ' ')));
    s = defaults;
    EXPECT_TRUE(ReadStoredOptions(store, s));
    EXPECT_EQ(s, defaults);
    ASSERT_TRUE(store.WriteString("Options", "(wb)" + std::string(1018, ' ')));
    EXPECT_TRUE(ReadStoredOptions(store, s));
    EXPECT_EQ(s.options, opt::wb);
    // An empty value is read: the record of all zeros.
    ASSERT_TRUE(store.WriteString("Options", ""));
    EXPECT_TRUE(ReadStoredOptions(store, s));
    EXPECT_EQ(s, ImportSettings{});
    // A number is not an options text.
    ASSERT_TRUE(store.WriteNumber("Options", 5));
    s = defaults;
    EXPECT_FALSE(ReadStoredOptions(store, s));
    EXPECT_EQ(s, defaults);
}

TEST_F(StoredSettingsTest, OutputSettingsAndCurves) {
    SettingsStore store;
    ASSERT_TRUE(store.CreateForWriting());
    OutputSettings out;
    out.ResetToDefaults();
    OutputSettings read;
    read.artist = "kept";
    EXPECT_FALSE(ReadStoredOutputSettings(store, read));
    EXPECT_EQ(read.artist, "kept");

    out.format = format::bitmap;
    out.t16 = true;
    out.copyright = "(c) me";
    out.description = "not stored";
    ASSERT_TRUE(WriteStoredOutputSettings(store, out));
    ASSERT_TRUE(ReadStoredOutputSettings(store, read));
    EXPECT_EQ(read.WriteFormatTags(), out.WriteFormatTags());
    EXPECT_EQ(read.artist, "");  // an absent text is written empty and reads back empty
    EXPECT_EQ(read.copyright, "(c) me");
    uint32_t n = 0;
    EXPECT_FALSE(store.ReadNumber("Description", n) || store.QueryValueSize("Description"));
    ASSERT_TRUE(store.DeleteValue("Artist"));
    ASSERT_TRUE(ReadStoredOutputSettings(store, read));
    EXPECT_FALSE(read.artist);  // a missing value leaves the field absent

    CurveArray curves;
    curves[curve::green].ReadText("3:0,0 100,150 255,255");
    ASSERT_TRUE(WriteStoredCurves(store, curves));
    CurveArray back;
    back[curve::blue].ReadText("2:0,9 255,9");
    ASSERT_TRUE(store.DeleteValue("Curve_Blue"));
    ReadStoredCurves(store, back);
    EXPECT_EQ(back[curve::green], curves[curve::green]);
    EXPECT_EQ(back[curve::blue].WriteText(), "2:0,9 255,9");  // missing value: unchanged
    EXPECT_FALSE(ReadStoredCurve(store, 4, back[0]));
    EXPECT_FALSE(ReadStoredCurve(store, curve::blue, back[0]));
}

// Without a store nothing changes; with one, curves it lacks become identity.
// (Everything saved at once coming back is checked through -c.)
TEST_F(StoredSettingsTest, ConsoleLoadOrder) {
    ImportSettings s;
    SetDefaults(s);
    OutputSettings out;
    CurveArray curves;
    curves[curve::red].ReadText("2:0,0 255,100");
    const CurveArray before = curves;
    EXPECT_FALSE(LoadStoredSettings(s, out, curves));
    EXPECT_EQ(curves, before);
    {
        SettingsStore store;
        ASSERT_TRUE(store.CreateForWriting());
        ASSERT_TRUE(store.WriteString("Options", "(gray) m=7"));
    }
    EXPECT_TRUE(LoadStoredSettings(s, out, curves));
    EXPECT_EQ(s.method, method::grayscale);
    for (const Curve& c : curves) EXPECT_TRUE(c.IsIdentity());
}

}  // namespace
}  // namespace kyp
