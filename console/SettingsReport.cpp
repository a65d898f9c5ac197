#include "console/SettingsReport.h"

#include <limits>

namespace kyp {

namespace {

constexpr const char* kSep = "\n\t";
constexpr const char* kCurveLabels[ConsoleCurves::kCount] = {"Master curve:\t", "Red curve:\t", "Green curve:\t",
                                                            "Blue curve:\t"};

const char* TextOrEmpty(const std::optional<std::string>& text) { return text ? text->c_str() : ""; }

// The gamma value shown to users is the reciprocal of the stored exponent; a
// record read from a text without a gamma key holds exponent 0.
double GammaValue(float exponent) {
    if (exponent == 0.0f) return std::numeric_limits<double>::infinity();
    return 1.0 / static_cast<double>(exponent);
}

}  // namespace

void PrintSettingsReport(ConsoleStream& out, const ImportSettings& settings, const OutputSettings& output,
                         const ConsoleCurves& curves) {
    const uint32_t on = settings.options;

    // Raw-domain steps.
    out.Printf("Options:%s", kSep);
    if (on & opt::tt) out.Printf("Texture defect %d%s", settings.textureThreshold, kSep);
    if (on & opt::black) out.Printf("Camera Optical Black Point%s", kSep);
    if (on & opt::wb) out.Printf("Camera WB%s", kSep);
    if (on & opt::fudge) out.Printf("Fudge%s", kSep);
    if (on & opt::scale) {
        out.Printf("Scale (R:%d/%d G:%d/%d B:%d/%d)%s", static_cast<int>(settings.redScale >> 16),
                   static_cast<int>(settings.redScale & 0xFFFF), static_cast<int>(settings.greenScale >> 16),
                   static_cast<int>(settings.greenScale & 0xFFFF), static_cast<int>(settings.blueScale >> 16),
                   static_cast<int>(settings.blueScale & 0xFFFF), kSep);
    }
    if (on & opt::rawcurves) out.Printf("Raw curve %s", kSep);

    // Demosaic and geometry.
    out.Printf("%s%s", MethodName(settings.method), kSep);
    if (on & opt::matrix) out.Printf("Color Matrix%s", kSep);
    static constexpr const char* kRotations[4] = {"", "90", "180", "270"};
    if (const uint32_t rotation = settings.rotation(); rotation != 0) {
        out.Printf("Rotate %s%s", kRotations[rotation & 3], kSep);
    }
    if (on & opt::hflip) out.Printf("Flip horizontally%s", kSep);
    if (on & opt::vflip) out.Printf("Flip Vertically%s", kSep);

    // Tone and colour steps.
    if (on & opt::levels) {
        out.Printf("Levels (lo=%.3f hi=%.3f)%s", settings.darkThreshold * 0.001, settings.brightThreshold * 0.001,
                   kSep);
    }
    if (on & opt::curves) out.Printf("Curves%s", kSep);
    if (on & opt::balance) out.Printf("Color balance%s", kSep);
    if (on & opt::gray) out.Printf("Grayscale%s", kSep);
    if (on & opt::usm) {
        out.Printf("Unsharp Mask (amount=%d radius=%.1f threshold=%d)%s", settings.usmAmount,
                   static_cast<double>(settings.usmRadius), settings.usmThreshold, kSep);
    }
    if (on & opt::gamma) out.Printf("Gamma %g%s", GammaValue(settings.gammaExponent), kSep);
    if (on & opt::sat) out.Printf("Saturation %g%s", static_cast<double>(settings.saturation), kSep);
    if (on & opt::invert) out.Printf("Invert%s", kSep);

    // Output.
    if (output.t16) out.Printf("16-bit%s", kSep);
    if (output.ta || output.ja) {
        out.Printf("Annotate:%s", kSep);
        out.Printf("Artist      = \"%s\"%s", TextOrEmpty(output.artist), kSep);
        out.Printf("Copyright   = \"%s\"%s", TextOrEmpty(output.copyright), kSep);
        out.Printf("Description = \"%s\"%s", TextOrEmpty(output.description), kSep);
    }
    if (on & (opt::curves | opt::rawcurves)) {
        for (int i = 0; i < ConsoleCurves::kCount; ++i) {
            if (curves.IsIdentity(i)) continue;
            out.Printf("%s%s%s", kCurveLabels[i], curves.Text(i).c_str(), kSep);
        }
        out.Write(kSep);
    }
    if (output.format != format::tiff) {
        out.Printf("Saving in %s format", FormatName(output.format));
        if (output.format == format::jpeg) out.Printf(", quality = %d", output.jpegQuality);
        out.Write("\n");
    }
}

}  // namespace kyp
