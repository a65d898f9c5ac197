#include <gtest/gtest.h>

#include <string>

#include "engine/settings/KisFile.h"
#include "platform/TestFolder.h"

namespace kyp {
namespace {

// (Texts written and read are compared with recorded results in SettingsDumpTest.)
TEST(KisFile, FileRoundTripWithTextsAndCurves) {
    test::TestFolder folder;
    ImportSettings settings;
    SetDefaults(settings);
    settings.options = opt::usm | opt::curves | 3u << opt::rotShift;
    settings.gammaExponent = 0.5f;
    CurveArray curves;
    curves[curve::red].ReadText("3:0,0 128,200 255,255");
    OutputSettings output;
    output.format = format::jpeg;
    output.t16 = true;
    output.ja = false;
    output.artist = "Ada";
    output.copyright = "";
    output.description = "Line one\r\nline <two> = 2";
    const std::string path = folder / "look.kis";
    ASSERT_TRUE(WriteKisFile(path, &settings, curves, &output));

    ImportSettings backSettings;
    CurveArray backCurves;
    OutputSettings back;
    ASSERT_TRUE(ReadKisFile(path, backSettings, backCurves, &back));
    EXPECT_EQ(backSettings, settings);
    EXPECT_EQ(backCurves, curves);
    EXPECT_EQ(WriteKisText(nullptr, backCurves, &back), WriteKisText(nullptr, curves, &output));
    EXPECT_FALSE(ReadKisFile(folder / "missing.kis", backSettings, backCurves, &back));
    EXPECT_FALSE(ReadKisFile(folder.path(), backSettings, backCurves, &back));  // a folder
}

}  // namespace
}  // namespace kyp
