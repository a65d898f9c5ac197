#include <gtest/gtest.h>

#include "ConsoleTestSupport.h"

namespace kyp {
namespace {

// The settings report of print-only runs: the defaults once when no file
// follows, otherwise once per file; every gated item in its order.
TEST(SettingsReport, PrintOnlyRuns) {
    const struct {
        std::vector<std::string> arguments;
        std::string out;
    } cases[] = {
        {{"-p"}, test::kDefaultReport},
        {{"-p", "=-lz+x", "-n:0.5,-1", "-s:5/4:", "-u:0,2.5,3", "-y:2000", "-m:BEST", "-t:0x10", "-j:80", "x.orf"},
         "Options:\n\tTexture defect 16\n\tCamera Optical Black Point\n\tCamera WB\n\tFudge\n\t"
         "Luminance/gradient\n\tColor Matrix\n\tSaturation 1000\n\t"
         "Annotate:\n\tArtist      = \"\"\n\tCopyright   = \"\"\n\tDescription = \"\"\n\t"
         "Saving in JPEG format, quality = 80\nInput  : x.orf\nOutput : x.jpg\n\n"},
        {{"-p", "=-ae-wfmyt+bghiuvsro1", "=c", "=3", "-s:3/2,1/1,0x100/256", "-n:0.25,-1", "-u:250,2.25,4", "-g:1.8",
          "-m:0", "-b:16", "-w", "-aa:A. Person", "=-a+e", "-ad:x"},
         "Options:\n\tCamera Optical Black Point\n\tScale (R:3/2 G:1/1 B:256/256)\n\t"
         "Raw CCD Pattern\n\tRotate 270\n\tFlip horizontally\n\tFlip Vertically\n\t"
         "Levels (lo=0.250 hi=-0.001)\n\tCurves\n\tColor balance\n\tGrayscale\n\t"
         "Unsharp Mask (amount=250 radius=2.2 threshold=4)\n\tGamma 1.8\n\tInvert\n\t"
         "16-bit\n\t\n\tSaving in Bitmap format\n"},
        {{"-p", "=-tofwmlzy+2", "-aa:Ann", "-ad:Snow \"day\"", "-g-", "=z"},
         "Options:\n\tLuminance/gradient\n\tRotate 180\n\tGamma 1\n\t"
         "Annotate:\n\tArtist      = \"Ann\"\n\tCopyright   = \"\"\n\tDescription = \"Snow \"day\"\"\n\t"},
    };
    for (const auto& c : cases) {
        const test::RunOutput run = test::Run(c.arguments);
        EXPECT_EQ(run.code, 0) << c.arguments.back();
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, "");
    }
}

}  // namespace
}  // namespace kyp
