#include <gtest/gtest.h>

#include <tuple>

#include "ConsoleTestSupport.h"
#include "console/Switches.h"
#include "engine/process/GaussianKernel.h"

namespace kyp {
namespace {

// Applies the arguments in order (option lists and switches) to a fresh state.
struct Parsed {
    ConsoleState state;
    StringConsoleStream err;
    ArgumentResult last = ArgumentResult::ok;

    explicit Parsed(std::initializer_list<std::string> arguments) {
        for (const std::string& argument : arguments) {
            if (!argument.empty() && argument[0] == '=') {
                ApplyOptionList(argument.substr(1), state);
            } else {
                last = ApplySwitch(argument, state, err);
            }
            if (last != ArgumentResult::ok) break;  // as the argument loop does
        }
    }
    [[nodiscard]] bool On(uint32_t bit) const { return (state.settings.options & bit) != 0; }
};

constexpr uint32_t Ratio(uint32_t multiplier, uint32_t divisor) { return multiplier << 16 | divisor; }

// (Letters, case and "+" are checked by the converted-file digests.) "A" and
// "E" set the flags of both writers; "-" turns a rotation off; turning curves
// or raw curves off leaves the other alone.
TEST(OptionList, OffStatesAndBothWriters) {
    const Parsed off{"=-aE"};
    EXPECT_FALSE(off.state.output.ta || off.state.output.ja || off.state.output.tx || off.state.output.jx);
    EXPECT_EQ(Parsed({"=2", "=-2"}).state.settings.rotation(), 0u);
    EXPECT_TRUE(Parsed({"=c", "=-r"}).On(opt::curves));
    EXPECT_TRUE(Parsed({"=r", "=-c"}).On(opt::rawcurves));
}

TEST(Switches, JpegQuality) {
    const Parsed low{"-j:5"};
    EXPECT_EQ(low.state.output.format, format::jpeg);
    EXPECT_EQ(low.state.output.jpegQuality, 95);
    EXPECT_EQ(low.err.Text(), "JPEG quality must be between 10 and 100. Using 95.\n");
    EXPECT_EQ(Parsed({"-j:80", "-j"}).state.output.jpegQuality, 80);
    EXPECT_EQ(Parsed({"-j:0x64"}).state.output.jpegQuality, 100);
    EXPECT_EQ(Parsed({"-j:99999999999999999999"}).err.Text(), "JPEG quality must be between 10 and 100. Using 95.\n");
    EXPECT_EQ(Parsed({"-w"}).state.output.format, format::bitmap);
}

TEST(Switches, TextureSaturationAndBitDepth) {
    const std::pair<const char*, int> textures[] = {
        {"-t:0", 1}, {"-t:5000", 1023}, {"-t:0x10", 16}, {"-t010", 8} /* octal, no skipped character */,
        {"-t:-99999999999999999999", 1}};
    for (auto [arg, value] : textures) EXPECT_EQ(Parsed({arg}).state.settings.textureThreshold, value) << arg;
    const std::pair<const char*, float> saturations[] = {{"-y:2000", 1000.0f}, {"-y:-1", 0.0f}, {"-y:0.5", 0.5f},
                                                         {"-y", 1.2f},         {"-y:", 1.2f},   {"-y:abc", 1.2f},
                                                         {"-y:nan", 1.2f}};
    for (auto [arg, value] : saturations) EXPECT_FLOAT_EQ(Parsed({arg}).state.settings.saturation, value) << arg;

    EXPECT_TRUE(Parsed({"-b:16"}).state.output.t16);
    EXPECT_FALSE(Parsed({"-b:16", "-B8"}).state.output.t16);
    const Parsed bad{"-b:12"};
    EXPECT_EQ(bad.last, ArgumentResult::error);
    EXPECT_EQ(bad.err.Text(), "\nError: Invalid bit depth 12. Must be 8 or 16.\n");
}

TEST(Switches, NoiseThresholds) {
    // Rounded down; any run of other characters separates.
    const std::tuple<std::string, int32_t, int32_t> cases[] = {{"-n:0.5,-1", 500, -1},
                                                               {"-n0.0015 ;; 2", 1, 2000},
                                                               {"-n:-0.0001,1e999", -1, 1000},
                                                               {"-n:1" + std::string(400, '0') + ",1", INT32_MAX, 1000}};
    for (const auto& [arg, dark, bright] : cases) {
        const Parsed p{arg};
        EXPECT_EQ(p.state.settings.darkThreshold, dark) << arg;
        EXPECT_EQ(p.state.settings.brightThreshold, bright) << arg;
    }
    EXPECT_EQ(Parsed({"-n:"}).last, ArgumentResult::usage);
    EXPECT_EQ(Parsed({"-n:0.5,"}).last, ArgumentResult::usage);
}

TEST(Switches, ScaleRatios) {
    // Numbers are truncated to 16 bits; a usage error (UsageText) changes nothing.
    const std::tuple<const char*, uint32_t, uint32_t, uint32_t> cases[] = {
        {"-s:5/4:", Ratio(5, 4), Ratio(1, 1), Ratio(1, 1)},
        {"-s:5/4", Ratio(256, 256), Ratio(256, 256), Ratio(256, 256)},
        {"-s:0x10/2,3/4,70000/65537", Ratio(16, 2), Ratio(3, 4), Ratio(70000 & 0xFFFF, 1)},
        {"-s:1/2:3/4", Ratio(1, 2), Ratio(3, 4), Ratio(1, 1)}};
    for (const auto& [arg, red, green, blue] : cases) {
        const Parsed p{arg};
        EXPECT_EQ(p.state.settings.redScale, red) << arg;
        EXPECT_EQ(p.state.settings.greenScale, green) << arg;
        EXPECT_EQ(p.state.settings.blueScale, blue) << arg;
    }
    EXPECT_EQ(Parsed({"-s:1/2:3/"}).last, ArgumentResult::usage);
}

TEST(Switches, UnsharpMask) {
    // Amount 0 keeps 100, small radii become 1.1, a negative radius is made
    // positive (the threshold after it still read), large ones stop at 250.
    const std::tuple<const char*, int32_t, float, int32_t> cases[] = {
        {"-u:0,2.5,3", 100, 2.5f, 3},  {"-u:150,0.05", 150, 1.1f, 0}, {"-u:80,-2.5e0,7", 80, 2.5f, 7},
        {"-u:1,1e30", 1, 250.0f, 0}, {"-u:1,,4", 1, 1.1f, 4}};
    for (const auto& [arg, amount, radius, threshold] : cases) {
        const Parsed p{arg};
        EXPECT_EQ(p.state.settings.usmAmount, amount) << arg;
        EXPECT_FLOAT_EQ(p.state.settings.usmRadius, radius) << arg;
        EXPECT_EQ(p.state.settings.usmThreshold, threshold) << arg;
    }
    EXPECT_GE(Parsed({"-u:100,0.10005"}).state.settings.usmRadius, kMinUsmRadius);  // sharpens as reported
    EXPECT_EQ(Parsed({"-u:1,x,4"}).last, ArgumentResult::usage);  // "x" was the separator
}

TEST(Switches, InterpolationMethod) {
    const std::pair<const char*, int> methods[] = {{"-m:BEST", 8}, {"-m:bw", 7}, {"-mFast", 1}, {"-m:raw", 0}, {"-m:12", 12}};
    for (auto [arg, value] : methods) EXPECT_EQ(Parsed({arg}).state.settings.method, value) << arg;
    const Parsed unknown{"-m:0", "-m:"};
    EXPECT_EQ(unknown.state.settings.method, 8);
    EXPECT_EQ(unknown.err.Text(), "Unknown interpolation method: using best\n");
}

TEST(Switches, Gamma) {
    // "-g:" sets the exponent and leaves the bit, "-g:+" sets both.
    const std::tuple<std::string, std::string, bool, float> cases[] = {
        {"=+z", "-g-", false, 1.0f},
        {"=-z", "-g+", true, 0.45f},
        {"=-z", "-g:2.2", false, static_cast<float>(1.0 / 2.2)},
        {"=-z", "-g:+1.8", true, static_cast<float>(1.0 / 1.8)}};
    for (const auto& [list, arg, on, exponent] : cases) {
        const Parsed p{list, arg};
        EXPECT_EQ(p.On(opt::gamma), on) << arg;
        EXPECT_EQ(p.state.settings.gammaExponent, exponent) << arg;
    }
    // Every value whose exponent is not a finite positive number is refused:
    // negative ones and ones whose exponent underflows gave a white picture.
    for (const char* rejected : {"-g:1.0005", "-g:0", "-g:abc", "-g:inf", "-g:1e-300", "-g::-2", "-g:-2.2", "-g:-1",
                                 "-g:-1e-30", "-g:1e46", "-g:1e-40"}) {
        const Parsed p{"-g:3", rejected};
        EXPECT_EQ(p.state.settings.gammaExponent, 0.45f) << rejected;
        EXPECT_EQ(p.err.Text().rfind("\n!Error: invalid gamma value '", 0), 0u) << rejected;
    }
    EXPECT_EQ(Parsed({"-g:1.0005"}).err.Text(), "\n!Error: invalid gamma value '1.0005' = 1.0005. Using default.\n");
}

TEST(Switches, AnnotationQuietAndUnknown) {
    const Parsed p{"-aa:Ann Smith", "-ac", "-Ad:", "-aa:Bo", "-ac:(c) 2024"};
    EXPECT_EQ(p.state.output.artist, "Ann Smith");  // "-ac" alone stopped the run there
    EXPECT_FALSE(p.state.output.copyright.has_value());
    const Parsed q{"-aaBo", "-ac:(c) 2024", "-adA:B"};
    EXPECT_EQ(q.state.output.artist, "Bo");
    EXPECT_EQ(q.state.output.copyright, "(c) 2024");
    EXPECT_EQ(q.state.output.description, "A:B");

    EXPECT_EQ(Parsed({"-q"}).state.verbosity, 1);
    EXPECT_EQ(Parsed({"-qq"}).state.verbosity, 0);
    EXPECT_TRUE(Parsed({"-P"}).state.printOnly);
    const Parsed unknown{"-", "-x", "-9", "-zzz"};
    EXPECT_EQ(unknown.last, ArgumentResult::ok);
    EXPECT_EQ(unknown.err.Text(),  // ignored, with a word
              "!Warning: ignored unknown switch '-'\n!Warning: ignored unknown switch '-x'\n"
              "!Warning: ignored unknown switch '-9'\n!Warning: ignored unknown switch '-zzz'\n");
}

TEST(Switches, OutputFolder) {
    test::TestFolder folder;
    folder.Write("file.orf");
    EXPECT_EQ(Parsed({("-o:" + folder.path() + "//")}).state.outputFolder, folder.path());
    EXPECT_EQ(Parsed({"-o:" + folder.path(), "-o"}).state.outputFolder, "");
    EXPECT_EQ(Parsed({"-o:/"}).state.outputFolder, "/");

    const Parsed file{("-o" + folder / "file.orf")};
    EXPECT_EQ(file.last, ArgumentResult::error);
    EXPECT_EQ(file.err.Text(), "\n!Error: '" + folder / "file.orf" + "' is not a folder.\n");
    const Parsed missing{("-o:" + folder / "none")};
    EXPECT_EQ(missing.last, ArgumentResult::error);
    EXPECT_EQ(missing.err.Text(), "\n!Error: The folder '" + folder / "none" + "' does not exist.\n");
}

}  // namespace
}  // namespace kyp
