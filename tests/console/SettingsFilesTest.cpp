#include <gtest/gtest.h>

#include "ConsoleTestSupport.h"
#include "engine/settings/StoredSettings.h"

namespace kyp {
namespace {

// Photoshop curve file: version 1, one curve of three points (y, x).
const std::string kAcv("\0\1\0\1\0\3\0\0\0\0\0\240\0\200\0\377\0\377", 18);

const char* const kKis =
    "<KypImport><version=4.0>\r\n"
    "<Options=\"(curves|hflip|wb) gamma=1.8 noise(0,0) tt=3 m=7 rot=0 rscale(256,256) gscale(256,256) "
    "bscale(256,256) usm(100,1.10,0) sat(1.20)\">\r\n"
    "<Curve_Red=\"2:0,10 255,245\"><fmt=2><jq=70><ta=0><ja=0>\r\n";

// The report for kKis (its options text replaces every field).
const std::string kKisReport =
    "Options:\n\tCamera WB\n\tLuminance Grayscale\n\tFlip horizontally\n\tCurves\n\t"
    "Red curve:\t2:0,10 255,245\n\t\n\tSaving in JPEG format, quality = 70\n";

// (The tables built from curve files are checked by the converted-file digests.)
TEST(SettingsFiles, CurveFileLoadsTheCurves) {
    test::TestFolder folder;
    folder.Write("tone.acv", kAcv);
    const test::RunOutput run = test::Run({"-p", "=-tofwmlzya+c", folder / "tone.acv"});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "Options:\n\tLuminance/gradient\n\tCurves\n\tMaster curve:\t3:0,0 128,160 255,255\n\t\n\t");

    folder.Write("bad.acv", std::string("\0\4\0\0", 4));  // version 4
    const test::RunOutput bad = test::Run({"-p", folder / "bad.acv", "x.orf"});
    EXPECT_EQ(bad.code, 1);
    EXPECT_EQ(bad.err, "!Error: Cannot load curve file '" + folder / "bad.acv" + "'\n");
    EXPECT_EQ(bad.out, test::kDefaultReport);  // the settings before the bad file
}

TEST(SettingsFiles, SettingsFileAppliesFromWhereItStands) {
    test::TestFolder folder;
    folder.Write("Look.KIS", kKis);
    const test::RunOutput run = test::Run({"-p", "=-tofwmlzya", "before.orf", folder / "Look.KIS", "after.orf"});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "Options:\n\tLuminance/gradient\n\tInput  : before.orf\nOutput : before.tif\n\n" + kKisReport +
                           "Input  : after.orf\nOutput : after.jpg\n\n");

    folder.Write("stray.kis", "<KypImport> stray <fmt=1>");
    const test::RunOutput bad = test::Run({"-qq", folder / "stray.kis", "a.orf"});
    EXPECT_EQ(bad.code, 1);
    EXPECT_EQ(bad.err, "!Error: Cannot load settings file '" + folder / "stray.kis" + "'\n");
}

TEST(SettingsFiles, StoredSettingsLoadWithC) {
    test::TestFolder folder;
    test::ScopedConfigHome home(folder.path());

    // No store yet: -c changes nothing.
    const test::RunOutput none = test::Run({"-p", "=-tofwmlzya", "-c"});
    EXPECT_EQ(none.out, "Options:\n\tLuminance/gradient\n\t");

    ImportSettings settings{};
    ReadOptionsText("(curves|hflip|wb) gamma=1.8 m=7", settings);
    CurveArray curves;
    curves[1].ReadText("2:0,10 255,245");
    OutputSettings output;
    output.ResetToDefaults();
    output.format = format::jpeg;
    output.jpegQuality = 70;
    output.ta = output.ja = false;
    ASSERT_TRUE(SaveStoredSettings(&settings, &curves, &output));
    const test::RunOutput run = test::Run({"-p", "-c"});
    EXPECT_EQ(run.out, kKisReport);
    EXPECT_EQ(run.err, "");

    // A store that cannot be read: the defaults, and a word about where it went.
    folder.Write("settings.json", "{\"Options\": ");
    const test::RunOutput bad = test::Run({"-p", "=-tofwmlzya", "-c"});
    EXPECT_EQ(bad.out, "Options:\n\tLuminance/gradient\n\t");
    const std::string start = "!Warning: settings store '" + folder / "settings.json" + "' could not be read (moved to '" +
                              folder / "settings.json.corrupt-";
    EXPECT_EQ(bad.err.rfind(start, 0), 0u) << bad.err;
    EXPECT_EQ(bad.err.substr(bad.err.size() - 24), "'); settings not loaded\n");
}

}  // namespace
}  // namespace kyp
