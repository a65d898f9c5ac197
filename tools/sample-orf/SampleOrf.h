#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kyp::sample {

// Everything a generated ORF file says about its camera and its picture.
// Defaults describe a plausible 4-megapixel Olympus shot.
struct SampleOrfOptions {
    // ---- picture ----
    uint32_t width = 2256;
    uint32_t height = 1684;
    std::string photo;           // PPM (P6) or PGM (P5) file to use instead of the built-in chart
    uint32_t previewWidth = 640; // embedded JPEG preview; its height keeps the aspect ratio
    bool writePreview = true;
    // dcraw and LibRaw take an Olympus file whose first strip is large
    // against the image (byte count × 7 > width × height) for a compressed
    // one: peers read the samples only when height > 14 × rowsPerStrip.
    uint32_t rowsPerStrip = 32;
    uint32_t minimumFileSize = 7614592;  // padded with zeros up to this size

    // ---- main directory ----
    std::string make = "OLYMPUS OPTICAL CO.,LTD";
    std::string model = "E-10";
    std::string software = "Sample ORF generator";
    std::string dateTime = "2003:06:14 10:31:07";  // DateTime, DateTimeOriginal, DateTimeDigitized

    // ---- Exif directory ----
    uint32_t exposureTime[2] = {10, 1250};  // seconds, numerator / denominator
    uint32_t fNumber[2] = {28, 10};
    uint16_t exposureProgram = 2;  // Program Normal
    uint16_t isoSpeed = 100;
    int32_t exposureBias[2] = {-1, 3};  // EV, signed rational
    uint32_t maxAperture[2] = {20, 10};
    uint16_t meteringMode = 5;  // Pattern
    uint16_t lightSource = 0;
    uint16_t flash = 0x19;      // fired, auto
    uint32_t focalLength[2] = {150, 10};  // mm
    uint16_t colourSpace = 1;   // sRGB
    bool writeInteroperability = true;

    // ---- Olympus maker note ----
    bool writeMakerNote = true;
    std::string makerNoteSignature = "OLYMP";  // another maker's name makes a foreign note
    uint16_t quality = 6;               // 0x0201
    uint16_t macro = 0;                 // 0x0202
    uint32_t digitalZoom[2] = {0, 10};  // 0x0204
    std::string firmware = "SX358";     // 0x0207
    uint16_t flashMode = 0;             // 0x1004
    int32_t bracketBias[2] = {0, 10};   // 0x1006
    uint16_t focusMode = 0;             // 0x100B, 0 auto
    uint16_t zoomStep = 12;             // 0x100D
    uint16_t sharpness = 0;             // 0x100F
    int16_t colourMatrix[9] = {400, -120, -24, -70, 380, -54, 10, -150, 396};  // 0x1011, rows sum to 256
    uint16_t blackLevels[4] = {16, 16, 16, 16};                                 // 0x1012
    uint16_t whiteBalance[2] = {2, 5};   // 0x1015: (2, 5) is 4500K
    uint16_t redBalance = 456;           // 0x1017, 256 = 1.0
    uint16_t blueBalance = 380;          // 0x1018
    int32_t flashBias[2] = {-1, 3};      // 0x1023
    uint16_t contrast = 1;               // 0x1029, 1 normal
};

// The 10-bit mosaic the file will hold (red at even column and even row),
// row after row: the scene seen through the camera's white balance (red and
// blue divided by their balances) on top of the black levels. False when the
// options are unusable (zero size, unreadable photo).
[[nodiscard]] bool RenderSampleMosaic(const SampleOrfOptions& options, std::vector<uint16_t>& samples);

// The whole ORF file in memory. Its raw samples are RenderSampleMosaic's,
// each as a big-endian 16-bit word with the value in the upper 10 bits, in
// strips of rowsPerStrip rows that follow each other without a gap.
[[nodiscard]] bool BuildSampleOrf(const SampleOrfOptions& options, std::vector<uint8_t>& file);

// BuildSampleOrf written to path (through a temporary file renamed into place).
[[nodiscard]] bool WriteSampleOrf(const std::string& path, const SampleOrfOptions& options = {});

// A scene for tests of the levels and the texture defect (8-bit sRGB values):
// red rising from left to right, green alternating between two values on even
// and odd rows (a texture defect), blue rising from top to bottom, and black
// and white dots on every dotPeriod-th pixel of a diagonal pattern, which
// decide a full image's levels but average away in a reduced one.
struct StripedScene {
    uint8_t redBase = 60, redSpan = 120;
    uint8_t greenEven = 110, greenOdd = 150;
    uint8_t blueBase = 40, blueSpan = 100;
    uint32_t dotPeriod = 97;
};

// That scene written as an ORF of width × height with a 64-pixel-wide preview.
[[nodiscard]] bool WriteStripedOrf(const std::string& path, uint32_t width, uint32_t height,
                                   const StripedScene& scene = {});

}  // namespace kyp::sample

namespace kyp {
using sample::SampleOrfOptions;
using sample::StripedScene;
using sample::WriteSampleOrf;
using sample::WriteStripedOrf;
}  // namespace kyp
