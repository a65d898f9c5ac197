#include "console/Switches.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "console/FileArguments.h"
#include "engine/core/AsciiText.h"
#include "engine/process/GaussianKernel.h"
#include "engine/settings/ImportSettings.h"
#include "engine/settings/NumberText.h"

namespace kyp {

namespace {

// Gamma values this close to 1 would make the step a costly no-op.
constexpr double kGammaTooCloseToOne = 0.001;
constexpr int32_t kTextureMin = 1;
constexpr int32_t kTextureMax = 1023;
constexpr double kSaturationMax = 1000.0;
// Radii below this blur nothing; the largest is the desktop program's limit,
// beyond which the blur kernel grows without bound.
constexpr double kUsmRadiusMin = 0.1;
constexpr double kUsmRadiusMax = 250.0;
constexpr uint32_t kUnitRatio = (1u << 16) | 1u;

using ascii::EqualsNoCase;
using ascii::IsDigit;
using ascii::ToLower;

const char* SkipColon(const char* p) { return *p == ':' ? p + 1 : p; }

// "One non-digit character is skipped": the ":" in "-t:5", nothing in "-t5".
const char* SkipOneNonDigit(const char* p) { return (*p != '\0' && !IsDigit(*p)) ? p + 1 : p; }

// A C integer with automatic base ("0x10" hexadecimal, "010" octal).
bool ReadLong(const char* p, long& value, const char** end = nullptr) {
    char* stop = nullptr;
    errno = 0;
    value = std::strtol(p, &stop, 0);  // saturates at LONG_MIN/LONG_MAX
    if (stop == p) return false;
    if (end) *end = stop;
    return true;
}

int32_t SaturateToInt32(long value) {
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

bool ReadInt(const char* p, int32_t& value, const char** end = nullptr) {
    long wide = 0;
    if (!ReadLong(p, wide, end)) return false;
    value = SaturateToInt32(wide);
    return true;
}

// A C floating-point number: strtod's own forms ("inf", "nan", hexadecimal,
// overflow to infinity) are part of what -g, -u and -y take, and the stored
// texts' reader (numtext) reads them otherwise. kyp2tiff leaves LC_NUMERIC at
// "C", so the decimal point is always ".".
bool ReadReal(const char* p, double& value, const char** end = nullptr) {
    char* stop = nullptr;
    value = std::strtod(p, &stop);
    if (stop == p) return false;
    if (end) *end = stop;
    return true;
}

// "r1/r2" as a scale ratio: multiplier in the high 16 bits, divisor in the
// low 16 bits, each truncated to 16 bits.
bool ReadRatio(const char*& p, uint32_t& ratio) {
    long multiplier = 0;
    long divisor = 0;
    const char* q = p;
    if (!ReadLong(q, multiplier, &q) || *q != '/') return false;
    ++q;
    if (!ReadLong(q, divisor, &q)) return false;
    ratio = ((static_cast<uint32_t>(multiplier) & 0xFFFFu) << 16) | (static_cast<uint32_t>(divisor) & 0xFFFFu);
    p = q;
    return true;
}

// Levels thresholds are per mille: v × 1000 rounded down, negative means -1.
int32_t ThresholdFromText(const std::string& text) {
    double value = 0.0;
    (void)numtext::ParseDouble(text.c_str(), value);
    const double perMille = std::floor(value * 1000.0);
    if (!(perMille >= 0.0)) return -1;
    if (perMille >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(perMille);
}

bool IsThresholdChar(char c) { return IsDigit(c) || c == '.' || c == '-' || c == '+'; }

void SetOption(ImportSettings& settings, uint32_t bit, bool on) {
    if (on) {
        settings.options |= bit;
    } else {
        settings.options &= ~bit;
    }
}

void SetRotation(ImportSettings& settings, uint32_t quarterTurns) {
    settings.options = (settings.options & ~opt::rotMask) | (quarterTurns << opt::rotShift);
}

uint32_t OptionBitForLetter(char letter) {
    switch (letter) {
        case 'b': return opt::balance;
        case 'o': return opt::black;
        case 'c': return opt::curves;
        case 'f': return opt::fudge;
        case 'z': return opt::gamma;
        case 'g': return opt::gray;
        case 'h': return opt::hflip;
        case 'i': return opt::invert;
        case 'l': return opt::levels;
        case 'm': return opt::matrix;
        case 'r': return opt::rawcurves;
        case 'x': return opt::rgblevels;
        case 'y': return opt::sat;
        case 's': return opt::scale;
        case 't': return opt::tt;
        case 'u': return opt::usm;
        case 'v': return opt::vflip;
        case 'w': return opt::wb;
        default: return 0;
    }
}

// -aa, -ac, -ad: annotation texts.
ArgumentResult ApplyAnnotation(const char* p, OutputSettings& output) {
    const char field = ToLower(*p);
    if (field != 'a' && field != 'c' && field != 'd') return ArgumentResult::usage;
    const char* text = SkipColon(p + 1);
    if (*text == '\0') return ArgumentResult::usage;
    std::optional<std::string>& target =
        field == 'a' ? output.artist : (field == 'c' ? output.copyright : output.description);
    target = text;
    return ArgumentResult::ok;
}

ArgumentResult ApplyBitDepth(const char* p, OutputSettings& output, ConsoleStream& err) {
    int32_t depth = 0;
    if (!ReadInt(SkipOneNonDigit(p), depth)) return ArgumentResult::usage;
    if (depth == 8) {
        output.t16 = false;
    } else if (depth == 16) {
        output.t16 = true;
    } else {
        err.Printf("\nError: Invalid bit depth %d. Must be 8 or 16.\n", depth);
        return ArgumentResult::error;
    }
    return ArgumentResult::ok;
}

void ApplyGamma(const char* p, ImportSettings& settings, ConsoleStream& err) {
    if (std::strcmp(p, "-") == 0) {
        SetOption(settings, opt::gamma, false);
        settings.gammaExponent = 1.0f;
        return;
    }
    if (*p == '\0' || ((*p == ':' || *p == '+') && p[1] == '\0')) {
        SetOption(settings, opt::gamma, true);
        settings.gammaExponent = kDefaultGammaExponent;
        return;
    }
    ++p;  // the character after the letter, normally ":"
    if (*p == '+') {
        SetOption(settings, opt::gamma, true);
        settings.gammaExponent = kDefaultGammaExponent;
    } else if (*p == ':') {
        ++p;
    }
    double value = 0.0;
    const bool number = ReadReal(p, value);
    // The exponent is 1/v and must be a finite positive float: a value that is
    // no number, not positive, or so small or large that 1/v leaves the float
    // range or rounds to zero would give a table that maps almost every input
    // to white (or none at all).
    const float exponent = number && value > 0.0 ? static_cast<float>(1.0 / value) : 0.0f;
    const bool usable = std::isfinite(value) && std::fabs(value - 1.0) >= kGammaTooCloseToOne &&
                        std::isfinite(exponent) && exponent > 0.0f;
    if (!usable) {
        err.Printf("\n!Error: invalid gamma value '%s' = %g. Using default.\n", p, value);
        settings.gammaExponent = kDefaultGammaExponent;
        return;
    }
    settings.gammaExponent = exponent;
}

void ApplyJpeg(const char* p, OutputSettings& output, ConsoleStream& err) {
    output.format = format::jpeg;
    int32_t quality = 0;
    if (!ReadInt(SkipColon(p), quality)) return;
    if (quality >= 10 && quality <= 100) {
        output.jpegQuality = quality;
    } else {
        err.Printf("JPEG quality must be between 10 and 100. Using %d.\n", output.jpegQuality);
    }
}

ArgumentResult ApplyMethod(const char* p, ImportSettings& settings, ConsoleStream& err) {
    if (*p == '\0') return ArgumentResult::usage;
    p = SkipColon(p);
    int32_t number = 0;
    if (ReadInt(p, number)) {
        settings.method = static_cast<uint16_t>(number);  // stored as given
    } else if (EqualsNoCase(p, "best")) {
        settings.method = method::best;
    } else if (EqualsNoCase(p, "bw")) {
        settings.method = method::grayscale;
    } else if (EqualsNoCase(p, "fast")) {
        settings.method = method::bilinear;
    } else if (EqualsNoCase(p, "raw")) {
        settings.method = method::raw;
    } else {
        err.Write("Unknown interpolation method: using best\n");
        settings.method = method::best;
    }
    return ArgumentResult::ok;
}

// -n:lo,hi where a number is a run of digits, ".", "-" and "+" and anything
// else separates.
ArgumentResult ApplyNoiseThresholds(const char* p, ImportSettings& settings) {
    p = SkipColon(p);
    if (*p == '\0') return ArgumentResult::usage;
    const char* q = p;
    while (IsThresholdChar(*q)) ++q;
    const std::string low(p, q);
    while (*q != '\0' && !IsThresholdChar(*q)) ++q;
    if (*q == '\0') return ArgumentResult::usage;
    const char* highStart = q;
    while (IsThresholdChar(*q)) ++q;
    const std::string high(highStart, q);
    settings.darkThreshold = ThresholdFromText(low);
    settings.brightThreshold = ThresholdFromText(high);
    return ArgumentResult::ok;
}

ArgumentResult ApplyOutputFolder(const char* p, std::string& outputFolder, ConsoleStream& err) {
    const std::string folder = NormaliseFolder(SkipColon(p));
    if (folder.empty()) {
        outputFolder.clear();
        return ArgumentResult::ok;
    }
    switch (QueryPath(folder)) {
        case PathKind::missing:
            err.Printf("\n!Error: The folder '%s' does not exist.\n", folder.c_str());
            return ArgumentResult::error;
        case PathKind::notFolder:
            err.Printf("\n!Error: '%s' is not a folder.\n", folder.c_str());
            return ArgumentResult::error;
        case PathKind::folder:
            break;
    }
    outputFolder = folder;
    return ArgumentResult::ok;
}

// -s:r1/r2:g1/g2:b1/b2; the red pair must be followed by a separator, a
// missing green or blue pair is 1/1.
ArgumentResult ApplyScale(const char* p, ImportSettings& settings) {
    p = SkipOneNonDigit(p);
    uint32_t red = 0;
    uint32_t green = kUnitRatio;
    uint32_t blue = kUnitRatio;
    if (!ReadRatio(p, red) || *p == '\0') return ArgumentResult::usage;
    ++p;
    if (*p != '\0') {
        if (!ReadRatio(p, green)) return ArgumentResult::usage;
        if (*p != '\0' && *++p != '\0') {
            if (!ReadRatio(p, blue)) return ArgumentResult::usage;
        }
    }
    settings.redScale = red;
    settings.greenScale = green;
    settings.blueScale = blue;
    return ArgumentResult::ok;
}

ArgumentResult ApplyTexture(const char* p, ImportSettings& settings) {
    int32_t threshold = 0;
    if (!ReadInt(SkipOneNonDigit(p), threshold)) return ArgumentResult::usage;
    settings.textureThreshold = threshold < kTextureMin ? kTextureMin : (threshold > kTextureMax ? kTextureMax : threshold);
    return ArgumentResult::ok;
}

// -u:amount[,radius[,threshold]]
ArgumentResult ApplyUnsharpMask(const char* p, ImportSettings& settings) {
    p = SkipOneNonDigit(p);
    int32_t amount = 0;
    if (!ReadInt(p, amount, &p)) return ArgumentResult::usage;
    int32_t threshold = settings.usmThreshold;
    float radius = settings.usmRadius;
    if (*p != '\0') {
        ++p;  // separator
        double value = 0.0;
        const char* end = p;
        if (ReadReal(p, value, &end)) {
            value = std::fabs(value);
            // Above the least radius taken but below the kernel's least: the
            // kernel's, so that what the report shows is what sharpens.
            if (value > kUsmRadiusMin)
                radius = std::max(kMinUsmRadius, static_cast<float>(value < kUsmRadiusMax ? value : kUsmRadiusMax));
        } else {
            while (IsDigit(*end) || *end == '.' || *end == 'e' || *end == 'E') ++end;
        }
        p = end;
        if (*p != '\0') {
            ++p;  // separator
            if (!ReadInt(p, threshold)) return ArgumentResult::usage;
        }
    }
    if (amount != 0) settings.usmAmount = amount;
    settings.usmRadius = radius;
    settings.usmThreshold = threshold;
    return ArgumentResult::ok;
}

void ApplySaturation(const char* p, ImportSettings& settings) {
    double value = 0.0;
    if (!ReadReal(SkipColon(p), value) || std::isnan(value)) return;  // nothing usable: unchanged
    if (value < 0.0) value = 0.0;
    if (value > kSaturationMax) value = kSaturationMax;
    settings.saturation = static_cast<float>(value);
}

}  // namespace

std::string ApplyOptionList(const std::string& list, ConsoleState& state) {
    std::string unknown;
    bool on = true;
    for (const char raw : list) {
        const char c = ToLower(raw);
        switch (c) {
            case '+': on = true; break;
            case '-': on = false; break;
            case '1':
            case '2':
            case '3': SetRotation(state.settings, on ? static_cast<uint32_t>(c - '0') : 0u); break;
            case 'a': state.output.ta = state.output.ja = on; break;
            case 'e': state.output.tx = state.output.jx = on; break;
            default:
                if (const uint32_t bit = OptionBitForLetter(c); bit != 0) {
                    SetOption(state.settings, bit, on);
                    // Curves apply to the image or to the raw data, not both.
                    if (on && bit == opt::curves) SetOption(state.settings, opt::rawcurves, false);
                    if (on && bit == opt::rawcurves) SetOption(state.settings, opt::curves, false);
                } else {
                    unknown.push_back(raw);
                }
                break;
        }
    }
    return unknown;
}

ArgumentResult ApplySwitch(const std::string& argument, ConsoleState& state, ConsoleStream& err) {
    const char letter = argument.size() > 1 ? ToLower(argument[1]) : '\0';
    const char* value = argument.size() > 1 ? argument.c_str() + 2 : "";
    switch (letter) {
        case 'a': return ApplyAnnotation(value, state.output);
        case 'b': {
            const ArgumentResult result = ApplyBitDepth(value, state.output, err);
            state.depthAsked = state.output.t16;
            return result;
        }
        case 'c': {
            std::string problem;
            if (state.curves.LoadStoredSettings(state.settings, state.output, &problem)) state.curves.RebuildTables();
            if (!problem.empty()) err.Printf("!Warning: %s\n", problem.c_str());
            return ArgumentResult::ok;
        }
        case 'g': ApplyGamma(value, state.settings, err); return ArgumentResult::ok;
        case 'j': ApplyJpeg(value, state.output, err); return ArgumentResult::ok;
        case 'm': return ApplyMethod(value, state.settings, err);
        case 'n': return ApplyNoiseThresholds(value, state.settings);
        case 'o': return ApplyOutputFolder(value, state.outputFolder, err);
        case 'p': state.printOnly = true; return ArgumentResult::ok;
        case 'q': state.verbosity = ToLower(*value) == 'q' ? verbosity::quiet : verbosity::brief; return ArgumentResult::ok;
        case 's': return ApplyScale(value, state.settings);
        case 't': return ApplyTexture(value, state.settings);
        case 'u': return ApplyUnsharpMask(value, state.settings);
        case 'w': state.output.format = format::bitmap; return ArgumentResult::ok;
        case 'y': ApplySaturation(value, state.settings); return ArgumentResult::ok;
        default:  // unknown switches are ignored, with a word
            err.Printf("!Warning: ignored unknown switch '%s'\n", argument.c_str());
            return ArgumentResult::ok;
    }
}

}  // namespace kyp
