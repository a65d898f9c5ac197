#include <gtest/gtest.h>

#include "ConsoleTestSupport.h"
#include "Version.h"
#include "console/UsageText.h"

namespace kyp {
namespace {

std::string ExpectedBanner() {
    char line[80];
    std::snprintf(line, sizeof line, "KYP2TIFF Version %u.%02u%s\n", unsigned{KYP_VERSION_MAJOR},
                  unsigned{KYP_VERSION_MINOR}, KYP_DEBUG_BUILD ? " (Debug)" : "");
    return std::string(line) + "Olympus ORF raw converter. Copyright (c) Zelt Arts.\n";
}

const char* const kUsage =
    "\n"
    "KYP2TIFF [<kis>] [<acv>] [<options>] <file>...\n"
    "  <kis>            Kyp Import Settings (.kis) file (save from Kyp)\n"
    "  <acv>            Adobe Curve file (.acv)\n"
    "  =<optlist>       +  Turn all following items on (default)\n"
    "                   -  Turn all following items off\n"
    "                   1  Rotate 90 degrees\n"
    "                   2  Rotate 180 degrees\n"
    "                   3  Rotate 270 (-90) degrees\n"
    "                   A  Annotate (default)\n"
    "                   B  Balance Colors\n"
    "                   C  Apply Curve\n"
    "                   E  Include Exif information (default)\n"
    "                   F  Fudge (apply magic color correction factor)\n"
    "                   G  Grayscale\n"
    "                   H  Flip Horizontal (left for right)\n"
    "                   I  Invert (make negative)\n"
    "                   L  Levels (default)\n"
    "                   M  Matrix (default)\n"
    "                   O  Optical Black Point\n"
    "                   R  Raw Curves\n"
    "                   S  Scale\n"
    "                   T  Texture defect (default)\n"
    "                   U  Unsharp Mask (USM, sharpen)\n"
    "                   V  Flip Vertical (top for bottom)\n"
    "                   W  White Balance using the camera setting (default)\n"
    "                   X  Channel Levels\n"
    "                   Y  Saturation (default)\n"
    "                   Z  Gamma (default)\n"
    "  -aa:<artist>     Artist string (requires =A)\n"
    "  -ac:<copyright>  Copyright string (requires =A)\n"
    "  -ad:<descript>   Image Description string (requires =A)\n"
    "  -b:8|16          Bit depth (bits per component). Must be 8 or 16.\n"
    "  -c               Current Kyp settings\n"
    "  -g[:<gamma>]     Gamma\n"
    "  -j[:<n>]         JPEG format, quality n, where 10 <= n <= 100.\n"
    "  -m:<n>           Interpolation Method, n = 0-8 (see docs), or\n"
    "                   one of 'raw', 'fast', 'best', or 'bw'\n"
    "  -n:<lo>,<hi>     Thresholds for Levels (Requires =L or =X)\n"
    "                   <lo> = Dark noise threshold\n"
    "                   <hi> = Bright noise threshold\n"
    "                   Use -1 to suppress Level processing at that end\n"
    "  -o:<folder>      Output folder. <folder> must exist\n"
    "  -p               Print settings and actions without processing files.\n"
    "  -q               Quiet: Do not print detailed progress information.\n"
    "  -qq              Very quiet: Do not print any progress information.\n"
    "  -s:r/r:g/g:b/b   Ratios for scaling.                Requires =S\n"
    "  -t:n             Threshold for texture defect.      Requires =T\n"
    "  -u:a,r,t         USM Amount, Radius, and Threshold. Requires =U\n"
    "  -w               Windows bitmap .BMP format.\n"
    "  -y:<saturation>  Saturation amount. 0.0 to 100.0    Requires =Y\n"
    "                   0.0=b&w 05=faded 1.0=normal 1.3=saturated 20=SFX\n";

TEST(UsageText, NoArgumentsPrintsBannerAndUsageAndEndsWithUsageCode) {
    const test::RunOutput run = test::Run({});
    EXPECT_EQ(run.code, -1);
    EXPECT_EQ(run.out, ExpectedBanner() + kUsage);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.keyWaits, 0);
}

TEST(UsageText, UnusableSwitchGivesUsageAndStopsReading) {
    for (const char* bad : {"-m", "-b", "-b:x", "-t", "-aa", "-aa:", "-ax:text", "-n", "-n:0.5", "-s:5/4", "-s:a/4:",
                            "-s:5/4:3:", "-u", "-u:x", "-u:1,2,x", "-u:1,2,"}) {
        const test::RunOutput run = test::Run({bad, "-p", "=g"});
        EXPECT_EQ(run.code, -1) << bad;
        EXPECT_EQ(run.out, ExpectedBanner() + kUsage) << bad;  // "-p" after it was never read
    }
}

TEST(UsageText, PauseModeShowsBannerFirstAndWaitsAtTheEnd) {
    const test::RunOutput run = test::Run({"-q"}, nullptr, "@kyp2tiff");
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, std::string("\n") + ExpectedBanner() + "\n\nDone! Press any key to continue.");
    EXPECT_EQ(run.keyWaits, 1);

    const test::RunOutput usage = test::Run({}, nullptr, "@/usr/bin/kyp2tiff");
    EXPECT_EQ(usage.code, -1);
    EXPECT_EQ(usage.out, std::string("\n") + ExpectedBanner() + "\n" + ExpectedBanner() + kUsage +
                             "\nDone! Press any key to continue.");
    EXPECT_EQ(usage.keyWaits, 1);
}

}  // namespace
}  // namespace kyp
