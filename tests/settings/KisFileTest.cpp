#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "engine/settings/KisFile.h"
#include "platform/TestFolder.h"

namespace kyp {
namespace {

constexpr const char* kDefaultKis =
    "<KypImport><version=4.0>\r\n"
    "<Options=\"(black|fudge|gamma|levels|matrix|sat|tt|wb) gamma=2.22222 noise(0,0) tt=3 m=8 rot=0 "
    "rscale(256,256) gscale(256,256) bscale(256,256) usm(100,1.10,0) sat(1.20)\">\r\n"
    "<Curve_RGB=\"2:0,0 255,255\">\r\n"
    "<Curve_Red=\"2:0,0 255,255\">\r\n"
    "<Curve_Green=\"2:0,0 255,255\">\r\n"
    "<Curve_Blue=\"2:0,0 255,255\">\r\n"
    "<fmt=0><tx=1><ta=1><t16=0><jx=1><ja=1><jq=95>\r\n";

struct Records {
    ImportSettings settings;
    CurveArray curves;
    OutputSettings output;
    Records() {
        SetDefaults(settings);
        output.ResetToDefaults();
    }
};

bool Read(const std::string& text, Records& r, bool withOutput = true) {
    return ReadKisText(text.data(), static_cast<int>(text.size()), r.settings, r.curves,
                       withOutput ? &r.output : nullptr);
}

TEST(KisFile, DefaultsWriteExactBytesAndReadBack) {
    const Records defaults;
    const std::string text = WriteKisText(&defaults.settings, defaults.curves, &defaults.output);
    EXPECT_EQ(text, kDefaultKis);
    EXPECT_EQ(text.find('\0'), std::string::npos);

    Records back;
    back.settings = ImportSettings{};
    back.output = OutputSettings{};
    back.curves[curve::green].AddPoint(9, 9);
    ASSERT_TRUE(Read(text, back));
    ImportSettings expected = defaults.settings;
    expected.gammaExponent = static_cast<float>(1.0 / 2.22222);  // single-precision round trip
    EXPECT_EQ(back.settings, expected);
    EXPECT_EQ(back.curves, defaults.curves);
    EXPECT_EQ(back.output.WriteFormatTags(), defaults.output.WriteFormatTags());
    EXPECT_FALSE(back.output.artist);

    // Without records only the header and the curves are written.
    EXPECT_EQ(WriteKisText(nullptr, defaults.curves, nullptr),
              "<KypImport><version=4.0>\r\n<Curve_RGB=\"2:0,0 255,255\">\r\n<Curve_Red=\"2:0,0 255,255\">\r\n"
              "<Curve_Green=\"2:0,0 255,255\">\r\n<Curve_Blue=\"2:0,0 255,255\">\r\n");
}

TEST(KisFile, FileRoundTripWithTextsAndCurves) {
    test::TestFolder folder;
    Records r;
    r.settings.options = opt::usm | opt::curves | 3u << opt::rotShift;
    r.settings.gammaExponent = 0.5f;
    r.curves[curve::red].ReadText("3:0,0 128,200 255,255");
    r.output.format = format::jpeg;
    r.output.jpegQuality = 80;
    r.output.t16 = true;
    r.output.ja = false;
    r.output.artist = "Ada";
    r.output.copyright = "";
    r.output.description = "Line one\r\nline <two> = 2";
    const std::string path = folder / "look.kis";
    ASSERT_TRUE(WriteKisFile(path, &r.settings, r.curves, &r.output));

    Records back;
    ASSERT_TRUE(ReadKisFile(path, back.settings, back.curves, &back.output));
    EXPECT_EQ(back.settings, r.settings);
    EXPECT_EQ(back.curves, r.curves);
    EXPECT_EQ(back.output.WriteFormatTags(), r.output.WriteFormatTags());
    EXPECT_TRUE(back.output.t16);  // each flag its own, not only the same text again
    EXPECT_FALSE(back.output.ja);
    EXPECT_TRUE(back.output.jx);
    EXPECT_EQ(back.output.artist, "Ada");
    EXPECT_EQ(back.output.copyright, "");
    EXPECT_EQ(back.output.description, r.output.description);

    EXPECT_FALSE(ReadKisFile(folder / "missing.kis", back.settings, back.curves, &back.output));
    EXPECT_FALSE(ReadKisFile(folder.path(), back.settings, back.curves, &back.output));  // a folder
}

TEST(KisFile, QuotesInValuesReadBack) {
    // A value not writable whole (starting with a double quote, or holding
    // both quotes and ">") comes back with its double quotes made single.
    const std::pair<std::string, std::string> samples[] = {
        {"Dwayne \"The Rock\" Johnson", "Dwayne \"The Rock\" Johnson"},  // written in single quotes
        {"O'Brien", "O'Brien"},                                          // in the usual double quotes
        {"O'Brien \"Junior\"", "O'Brien \"Junior\""},                    // both: written bare
        {"\"Junior\" O'Brien", "'Junior' O'Brien"},
        {"O'Brien \"Jr\" <x> = y", "O'Brien 'Jr' <x> = y"},
    };
    for (const auto& [value, expected] : samples) {
        Records r;
        r.output.artist = value;
        const std::string text = WriteKisText(nullptr, r.curves, &r.output);
        Records back;
        ASSERT_TRUE(Read(text, back)) << text;
        EXPECT_EQ(back.output.artist, expected) << text;
    }
}

TEST(KisFile, SectionCaseQuotingAndErrors) {
    Records r;
    // Tags before <KypImport> are ignored; names are compared without case.
    ASSERT_TRUE(Read("<fmt=2><Options='(gray)'>\r\n<kypimport><OPTIONS='(wb) m=1'><curve_red='2:0,0 255,128'>"
                     "<JQ=50><version=9>",
                     r));
    EXPECT_EQ(r.settings.options, opt::wb);
    EXPECT_EQ(r.settings.method, 1);
    EXPECT_EQ(r.curves[curve::red].WriteText(), "2:0,0 255,128");
    EXPECT_EQ(r.output.format, format::tiff);
    EXPECT_EQ(r.output.jpegQuality, 50);

    // Without an output record its tags change nothing.
    Records noOutput;
    ASSERT_TRUE(Read("<KypImport><fmt=2><Artist='x'>", noOutput, false));
    EXPECT_EQ(noOutput.output.format, format::tiff);

    // A stray word fails the read; the tags before it are applied.
    Records stray;
    EXPECT_FALSE(Read("<KypImport><jq=70>\r\nstray\r\n<jq=20>", stray));
    EXPECT_EQ(stray.output.jpegQuality, 70);

    // A double quote inside a single-quoted Options value is part of it.
    Records quoted;
    ASSERT_TRUE(Read("<KypImport><Options='(levels) \"x\" tt=5'>", quoted));
    EXPECT_EQ(quoted.settings.options, opt::levels);
    EXPECT_EQ(quoted.settings.textureThreshold, 5);
}

}  // namespace
}  // namespace kyp
