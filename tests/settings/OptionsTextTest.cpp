#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "engine/settings/ImportSettings.h"
#include "engine/settings/NumberText.h"

namespace kyp {
namespace {

constexpr const char* kDefaultText =
    "(black|fudge|gamma|levels|matrix|sat|tt|wb) gamma=2.22222 noise(0,0) tt=3 m=8 rot=0 "
    "rscale(256,256) gscale(256,256) bscale(256,256) usm(100,1.10,0) sat(1.20)";

ImportSettings Defaults() {
    ImportSettings s;
    SetDefaults(s);
    return s;
}

ImportSettings Read(const char* text) {
    ImportSettings s;
    SetDefaults(s);  // the reader must not keep anything
    ReadOptionsText(text, s);
    return s;
}

TEST(OptionsText, DefaultRecordWritesTheDocumentedTextAndReadsItBack) {
    EXPECT_EQ(WriteOptionsText(Defaults()), kDefaultText);
    char buffer[kOptionsTextSize];
    WriteOptionsText(Defaults(), buffer, sizeof buffer);
    EXPECT_STREQ(buffer, kDefaultText);
    char small[6];
    WriteOptionsText(Defaults(), small, sizeof small);
    EXPECT_STREQ(small, "(blac");

    // Read back, the gamma exponent is 1 / 2.22222 in single precision.
    ImportSettings expected = Defaults();
    expected.gammaExponent = static_cast<float>(1.0 / 2.22222);
    const ImportSettings read = Read(kDefaultText);
    EXPECT_EQ(read, expected);
    EXPECT_NE(read.gammaExponent, 0.45f);
    EXPECT_EQ(CompareSettings(read, Defaults()), 1);
    EXPECT_EQ(WriteOptionsText(read), kDefaultText);
}

TEST(OptionsText, EmptyTextMethodsAndGammaBounds) {
    EXPECT_EQ(Read(""), ImportSettings{});
    EXPECT_EQ(Read(nullptr), ImportSettings{});
    EXPECT_STREQ(MethodName(0), "Raw CCD Pattern");
    EXPECT_STREQ(MethodName(9), "Luminance/gradient");
    const std::pair<const char*, int> methods[] = {
        {"m=3", method::best}, {"m=2", method::best}, {"m=6", method::best}, {"m=7", method::grayscale}, {"m=0", method::raw}};
    for (auto [text, value] : methods) EXPECT_EQ(Read(text).method, value) << text;
    // Out of bounds or unreadable: 0.45. The bounds are floats: 0.1 as a float
    // equals 0.1f and is inside.
    const std::pair<const char*, float> gammas[] = {
        {"gamma=0.05", 0.45f}, {"gamma=12", 0.45f},   {"gamma=1", 1.0f},           {"gamma=0.1", 10.0f},
        {"gamma=10", 0.1f},    {"gamma=x", 0.45f},    {"gamma=10.000001", 0.45f},  {"gamma=inf", 0.45f},
        {"gamma=1e999", 0.45f}};
    for (auto [text, value] : gammas) EXPECT_EQ(Read(text).gammaExponent, value) << text;
    // A second point ends the number, and the skip takes the rest of it.
    const ImportSettings s = Read("gamma=2.5.5 tt=9");
    EXPECT_EQ(s.gammaExponent, 0.4f);
    EXPECT_EQ(s.textureThreshold, 9);
}

TEST(OptionsText, CaseInsensitiveKeysAndFlags) {
    const ImportSettings s = Read("(LEVELS|Wb|gAmMa) Gamma=2 TT=7 M=1 NOISE(5,-1) SAT(0.50)");
    EXPECT_EQ(s.options, opt::levels | opt::wb | opt::gamma);
    EXPECT_EQ(s.gammaExponent, 0.5f);
    EXPECT_EQ(s.textureThreshold, 7);
    EXPECT_EQ(s.method, 1);
    EXPECT_EQ(s.darkThreshold, 5);
    EXPECT_EQ(s.brightThreshold, -1);
    EXPECT_EQ(s.saturation, 0.5f);
}

TEST(OptionsText, SingleFlagAndEveryFlagRoundTrip) {
    ImportSettings s = Defaults();
    s.options = opt::wb;
    const std::string text = WriteOptionsText(s);
    EXPECT_EQ(text.substr(0, 5), "(wb) ");
    EXPECT_EQ(Read(text.c_str()).options, opt::wb);

    s.options = opt::meaningful | opt::asktt;  // every keyword bit and rotation 3
    ImportSettings back = Read(WriteOptionsText(s).c_str());
    EXPECT_EQ(back.options, s.options);
    EXPECT_EQ(back.rotation(), 3u);

    s.options = 0;  // no group at all: the text starts with the gamma item
    EXPECT_EQ(WriteOptionsText(s).substr(0, 7), " gamma=");
    EXPECT_EQ(Read(WriteOptionsText(s).c_str()).options, 0u);
}

TEST(OptionsText, ParametersRoundTrip) {
    ImportSettings s = Defaults();
    s.darkThreshold = -1;
    s.brightThreshold = 12;
    s.redScale = 300u << 16 | 256u;
    s.greenScale = 1u << 16 | 65535u;
    s.blueScale = 0;
    s.textureThreshold = 1023;
    s.method = method::bilinear;
    s.usmAmount = 250;
    s.usmRadius = 2.5f;
    s.usmThreshold = 4;
    s.saturation = 0.75f;
    s.gammaExponent = 0.5f;
    s.options |= 2u << opt::rotShift;
    EXPECT_EQ(Read(WriteOptionsText(s).c_str()), s);
}

TEST(OptionsText, ReaderTolerance) {
    // Unknown keys and names, flags cut at 14 characters, ratios cut to 16 bits,
    // rotation values above 3 spilling upwards.
    ImportSettings s = Read("(levels|nosuchflag|levelsXXXXXXXXXXXXX|tt) foo=3 rscale(65537,-1) rot=5 tt=4");
    EXPECT_EQ(s.options & ~opt::rotMask & ~0x4000u, opt::levels | opt::tt);
    EXPECT_EQ(s.redScale, 1u << 16 | 0xFFFFu);
    EXPECT_EQ(s.rotation(), 1u);
    EXPECT_TRUE(s.options & 0x4000u);
    EXPECT_EQ(s.textureThreshold, 4);
    // A 20-character key is read as a 14-character token and a 6-character one.
    EXPECT_EQ(Read("abcdefghijklmnrscale(3,4)").redScale, 3u << 16 | 4u);
    EXPECT_EQ(Read("abcdefghijklmrscale(3,4)").redScale, 0u);
    EXPECT_EQ(Read("abcdefghijklmnopqrstuvwxyz tt=5").textureThreshold, 5);
    // Unterminated groups and values at the very end.
    EXPECT_EQ(Read("(levels|gamma").options, opt::levels | opt::gamma);
    EXPECT_EQ(Read("usm(").usmAmount, 0);
    EXPECT_EQ(Read("noise(7").darkThreshold, 7);
    EXPECT_EQ(Read("tt=99999999999999999999").textureThreshold, INT32_MAX);
}

TEST(OptionsText, HugeAndBinaryTextsAreReadSafely) {
    std::string big = "sat(";
    big.append(size_t{1} << 20, '9');
    big += ')';
    EXPECT_EQ(Read(big.c_str()).saturation, std::numeric_limits<float>::max());
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>(1 + (i * 37) % 255);
    (void)Read(binary.c_str());
    std::string group = "(";
    group.append(size_t{1} << 20, 'a');
    EXPECT_EQ(Read(group.c_str()).options, 0u);
}

}  // namespace
}  // namespace kyp
