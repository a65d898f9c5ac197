#include "console/UsageText.h"

#include <cstdio>

#include "Version.h"

namespace kyp {

namespace {

// One usage item: the item text and its description lines. The item starts
// at column 2, every description line at column 19.
struct UsageItem {
    const char* item;
    const char* lines[26];
};

constexpr UsageItem kUsage[] = {
    {"<kis>", {"Kyp Import Settings (.kis) file (save from Kyp)"}},
    {"<acv>", {"Adobe Curve file (.acv)"}},
    {"=<optlist>",
     {"+  Turn all following items on (default)",
      "-  Turn all following items off",
      "1  Rotate 90 degrees",
      "2  Rotate 180 degrees",
      "3  Rotate 270 (-90) degrees",
      "A  Annotate (default)",
      "B  Balance Colors",
      "C  Apply Curve",
      "E  Include Exif information (default)",
      "F  Fudge (apply magic color correction factor)",
      "G  Grayscale",
      "H  Flip Horizontal (left for right)",
      "I  Invert (make negative)",
      "L  Levels (default)",
      "M  Matrix (default)",
      "O  Optical Black Point",
      "R  Raw Curves",
      "S  Scale",
      "T  Texture defect (default)",
      "U  Unsharp Mask (USM, sharpen)",
      "V  Flip Vertical (top for bottom)",
      "W  White Balance using the camera setting (default)",
      "X  Channel Levels",
      "Y  Saturation (default)",
      "Z  Gamma (default)"}},
    {"-aa:<artist>", {"Artist string (requires =A)"}},
    {"-ac:<copyright>", {"Copyright string (requires =A)"}},
    {"-ad:<descript>", {"Image Description string (requires =A)"}},
    {"-b:8|16", {"Bit depth (bits per component). Must be 8 or 16."}},
    {"-c", {"Current Kyp settings"}},
    {"-g[:<gamma>]", {"Gamma"}},
    {"-j[:<n>]", {"JPEG format, quality n, where 10 <= n <= 100."}},
    {"-m:<n>", {"Interpolation Method, n = 0-8 (see docs), or", "one of 'raw', 'fast', 'best', or 'bw'"}},
    {"-n:<lo>,<hi>",
     {"Thresholds for Levels (Requires =L or =X)", "<lo> = Dark noise threshold", "<hi> = Bright noise threshold",
      "Use -1 to suppress Level processing at that end"}},
    {"-o:<folder>", {"Output folder. <folder> must exist"}},
    {"-p", {"Print settings and actions without processing files."}},
    {"-q", {"Quiet: Do not print detailed progress information."}},
    {"-qq", {"Very quiet: Do not print any progress information."}},
    {"-s:r/r:g/g:b/b", {"Ratios for scaling.                Requires =S"}},
    {"-t:n", {"Threshold for texture defect.      Requires =T"}},
    {"-u:a,r,t", {"USM Amount, Radius, and Threshold. Requires =U"}},
    {"-w", {"Windows bitmap .BMP format."}},
    {"-y:<saturation>", {"Saturation amount. 0.0 to 100.0    Requires =Y", "0.0=b&w 05=faded 1.0=normal 1.3=saturated 20=SFX"}},
};

}  // namespace

std::string VersionText() {
    char text[64];
    std::snprintf(text, sizeof text, "Version %u.%02u%s", static_cast<unsigned>(KYP_VERSION_MAJOR),
                  static_cast<unsigned>(KYP_VERSION_MINOR), KYP_DEBUG_BUILD ? " (Debug)" : "");
    return text;
}

void PrintBanner(ConsoleStream& out) {
    out.Printf("KYP2TIFF %s\n", VersionText().c_str());
    out.Write("Olympus ORF raw converter. Copyright (c) Zelt Arts.\n");
}

void PrintUsage(ConsoleStream& out) {
    out.Write("\nKYP2TIFF [<kis>] [<acv>] [<options>] <file>...\n");
    for (const UsageItem& item : kUsage) {
        out.Printf("  %-17s%s\n", item.item, item.lines[0]);
        for (size_t i = 1; i < std::size(item.lines) && item.lines[i] != nullptr; ++i) {
            out.Printf("%19s%s\n", "", item.lines[i]);
        }
    }
}

}  // namespace kyp
