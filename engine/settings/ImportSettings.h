#pragma once
#include <cstdint>
#include <string>

namespace kyp {

// Option bits of ImportSettings::options. Keyword in the options text, letter on
// the kyp2tiff command line.
namespace opt {
inline constexpr uint32_t levels = 0x00000001;     // L
inline constexpr uint32_t rgblevels = 0x00000002;  // X
inline constexpr uint32_t balance = 0x00000004;    // B
inline constexpr uint32_t gray = 0x00000008;       // G
inline constexpr uint32_t curves = 0x00000010;     // C
inline constexpr uint32_t gamma = 0x00000020;      // Z
inline constexpr uint32_t invert = 0x00000040;     // I
inline constexpr uint32_t usm = 0x00000080;        // U
inline constexpr uint32_t hflip = 0x00000100;      // H
inline constexpr uint32_t vflip = 0x00000200;      // V
inline constexpr uint32_t rotMask = 0x00003000;    // rot: 1, 2, 3 quarter turns
inline constexpr int rotShift = 12;
inline constexpr uint32_t scale = 0x00010000;      // S
inline constexpr uint32_t rawcurves = 0x00020000;  // R
inline constexpr uint32_t tt = 0x00040000;         // T
inline constexpr uint32_t asktt = 0x00080000;      // (no letter)
inline constexpr uint32_t wb = 0x00100000;         // W
inline constexpr uint32_t matrix = 0x00200000;     // M
inline constexpr uint32_t black = 0x00400000;      // O
inline constexpr uint32_t fudge = 0x00800000;      // F
inline constexpr uint32_t sat = 0x01000000;        // Y

inline constexpr uint32_t defaults = levels | gamma | tt | wb | matrix | black | fudge | sat;
// Every keyword bit but asktt, plus the rotation.
inline constexpr uint32_t meaningful = levels | rgblevels | balance | gray | curves | gamma | invert | usm | hflip |
                                       vflip | rotMask | scale | rawcurves | tt | wb | matrix | black | fudge | sat;
// What the raw stage (white balance, scale, raw curves, texture repair, black
// point, fudge factors) depends on.
inline constexpr uint32_t rawStage = scale | rawcurves | tt | wb | black | fudge;
inline constexpr uint32_t methodChanged = 0x10000000;  // difference-mask bit for the method
}  // namespace opt

// Demosaic method values; every unlisted value means Luminance/gradient.
namespace method {
inline constexpr uint16_t raw = 0;
inline constexpr uint16_t bilinear = 1;
inline constexpr uint16_t grayscale = 7;
inline constexpr uint16_t best = 8;
}  // namespace method

// Which corrections the pipeline applies, and their parameters. A plain value.
struct ImportSettings {
    uint32_t options = 0;
    float gammaExponent = 0.0f;      // shown to users as its reciprocal
    int32_t darkThreshold = 0;       // per mille; -1 leaves that end unclipped
    int32_t brightThreshold = 0;
    uint32_t redScale = 0;           // multiplier << 16 | divisor
    uint32_t greenScale = 0;
    uint32_t blueScale = 0;
    int32_t textureThreshold = 0;
    uint16_t method = 0;
    int32_t usmAmount = 0;
    float usmRadius = 0.0f;
    int32_t usmThreshold = 0;
    float saturation = 0.0f;

    [[nodiscard]] uint32_t rotation() const { return (options & opt::rotMask) >> opt::rotShift; }
    bool operator==(const ImportSettings&) const = default;
};

// Gamma exponent of new settings and of a gamma switch or text without a
// usable value (users see its reciprocal, 2.2222).
inline constexpr float kDefaultGammaExponent = 0.45f;

// Longest options text the writer produces is well under this.
inline constexpr int kOptionsTextSize = 1024;

void SetDefaults(ImportSettings& settings);

// 0: no visible change, 1: only the steps after the demosaic, 2: from the raw data.
[[nodiscard]] int CompareSettings(const ImportSettings& edited, const ImportSettings& inForce);

// Bits of what differs between the record an image was made for and the current one.
[[nodiscard]] uint32_t DifferenceMask(const ImportSettings& before, const ImportSettings& now);

// Writes the one-line options text; out must hold at least kOptionsTextSize characters.
// The text is cut (and always zero-terminated) when outSize is smaller.
void WriteOptionsText(const ImportSettings& settings, char* out, int outSize);
[[nodiscard]] std::string WriteOptionsText(const ImportSettings& settings);

// Tolerant one-pass reader: never fails; unnamed fields stay zero. text is
// zero-terminated (a null text reads as an empty one).
void ReadOptionsText(const char* text, ImportSettings& settings);

// The demosaic method's name, which is also the demosaic step's progress text.
[[nodiscard]] const char* MethodName(uint16_t method);

}  // namespace kyp
