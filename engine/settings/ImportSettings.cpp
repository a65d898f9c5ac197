#include "engine/settings/ImportSettings.h"

namespace kyp {

namespace {

constexpr uint32_t kDefaultScale = 256u << 16 | 256u;

bool ThresholdsDiffer(const ImportSettings& a, const ImportSettings& b) {
    return a.darkThreshold != b.darkThreshold || a.brightThreshold != b.brightThreshold;
}
bool RatiosDiffer(const ImportSettings& a, const ImportSettings& b) {
    return a.redScale != b.redScale || a.greenScale != b.greenScale || a.blueScale != b.blueScale;
}
bool UsmDiffers(const ImportSettings& a, const ImportSettings& b) {
    return a.usmAmount != b.usmAmount || a.usmRadius != b.usmRadius || a.usmThreshold != b.usmThreshold;
}
// Every field but the option bits.
bool ParametersEqual(const ImportSettings& a, const ImportSettings& b) {
    return a.gammaExponent == b.gammaExponent && !ThresholdsDiffer(a, b) && !RatiosDiffer(a, b) &&
           a.textureThreshold == b.textureThreshold && a.method == b.method && !UsmDiffers(a, b) &&
           a.saturation == b.saturation;
}

}  // namespace

void SetDefaults(ImportSettings& settings) {
    settings.options = opt::defaults;
    settings.gammaExponent = kDefaultGammaExponent;
    settings.darkThreshold = 0;
    settings.brightThreshold = 0;
    settings.redScale = kDefaultScale;
    settings.greenScale = kDefaultScale;
    settings.blueScale = kDefaultScale;
    settings.textureThreshold = 3;
    settings.method = method::best;
    settings.usmAmount = 100;
    settings.usmRadius = 1.1f;
    settings.usmThreshold = 0;
    settings.saturation = 1.2f;
}

int CompareSettings(const ImportSettings& edited, const ImportSettings& inForce) {
    const uint32_t e = edited.options & opt::meaningful;
    const uint32_t f = inForce.options & opt::meaningful;
    if (e == f && ParametersEqual(edited, inForce)) return 0;

    // Anything that changes the mosaic or the demosaic reruns from the raw data.
    if (edited.method != inForce.method) return 2;
    if ((edited.options ^ inForce.options) & opt::rawStage) return 2;
    if ((edited.options & opt::scale) && RatiosDiffer(edited, inForce)) return 2;
    if ((edited.options & opt::tt) && edited.textureThreshold != inForce.textureThreshold) return 2;

    // A changed parameter of a step that is off changes nothing.
    if ((edited.options & (opt::levels | opt::rgblevels)) && ThresholdsDiffer(edited, inForce)) return 1;
    if ((edited.options & opt::usm) && UsmDiffers(edited, inForce)) return 1;
    if ((edited.options & opt::gamma) && edited.gammaExponent != inForce.gammaExponent) return 1;
    if ((edited.options & opt::sat) && edited.saturation != inForce.saturation) return 1;
    if (e != f) return 1;
    return 0;
}

uint32_t DifferenceMask(const ImportSettings& before, const ImportSettings& now) {
    const uint32_t b = before.options & opt::meaningful;
    const uint32_t c = now.options & opt::meaningful;
    const uint32_t changed = b ^ c;
    uint32_t mask = 0;

    if (before.method != now.method) mask |= opt::methodChanged;
    mask |= changed & (opt::black | opt::fudge | opt::wb | opt::rawcurves | opt::curves | opt::gray | opt::invert |
                       opt::balance | opt::matrix);
    if (changed & (opt::hflip | opt::vflip)) mask |= opt::hflip | opt::vflip;
    if (changed & opt::rotMask) mask |= opt::rotMask;
    if ((changed & opt::scale) || ((c & opt::scale) && RatiosDiffer(before, now))) mask |= opt::scale;
    const uint32_t levelBits = opt::levels | opt::rgblevels;
    if ((changed & levelBits) || ((c & levelBits) && ThresholdsDiffer(before, now))) mask |= levelBits;
    if ((changed & opt::gamma) || ((c & opt::gamma) && before.gammaExponent != now.gammaExponent)) mask |= opt::gamma;
    if ((changed & opt::tt) || ((c & opt::tt) && before.textureThreshold != now.textureThreshold)) mask |= opt::tt;
    if ((changed & opt::usm) || ((c & opt::usm) && UsmDiffers(before, now))) mask |= opt::usm;
    if ((changed & opt::sat) || ((c & opt::sat) && before.saturation != now.saturation)) mask |= opt::sat;
    return mask;
}

const char* MethodName(uint16_t method) {
    switch (method) {
        case method::raw: return "Raw CCD Pattern";
        case method::bilinear: return "Bilinear";
        case method::grayscale: return "Luminance Grayscale";
        default: return "Luminance/gradient";
    }
}

}  // namespace kyp
