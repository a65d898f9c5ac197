#pragma once
#include <cstdint>

namespace kyp {

// TIFF field types (the type word of a directory entry).
enum TiffType : uint16_t {
    kTiffByte = 1,
    kTiffAscii = 2,
    kTiffShort = 3,
    kTiffLong = 4,
    kTiffRational = 5,
    kTiffSByte = 6,
    kTiffUndefined = 7,
    kTiffSShort = 8,
    kTiffSLong = 9,
    kTiffSRational = 10,
    kTiffFloat = 11,
    kTiffDouble = 12,
};

// Tags the reader, the ORF extraction, the sample generator and the writers use
// by number.
namespace tag {
inline constexpr uint16_t kNewSubfileType = 254;
inline constexpr uint16_t kImageWidth = 256;
inline constexpr uint16_t kImageLength = 257;
inline constexpr uint16_t kBitsPerSample = 258;
inline constexpr uint16_t kCompression = 259;
inline constexpr uint16_t kPhotometricInterpretation = 262;
inline constexpr uint16_t kImageDescription = 270;
inline constexpr uint16_t kMake = 271;
inline constexpr uint16_t kModel = 272;
inline constexpr uint16_t kStripOffsets = 273;
inline constexpr uint16_t kOrientation = 274;
inline constexpr uint16_t kSamplesPerPixel = 277;
inline constexpr uint16_t kRowsPerStrip = 278;
inline constexpr uint16_t kStripByteCounts = 279;
inline constexpr uint16_t kXResolution = 282;
inline constexpr uint16_t kYResolution = 283;
inline constexpr uint16_t kPlanarConfiguration = 284;
inline constexpr uint16_t kResolutionUnit = 296;
inline constexpr uint16_t kSoftware = 305;
inline constexpr uint16_t kDateTime = 306;
inline constexpr uint16_t kArtist = 315;
inline constexpr uint16_t kSubIfds = 330;
inline constexpr uint16_t kJpegInterchangeFormat = 513;
inline constexpr uint16_t kJpegInterchangeFormatLength = 514;
inline constexpr uint16_t kCopyright = 33432;
inline constexpr uint16_t kExifIfd = 34665;
inline constexpr uint16_t kInteroperabilityIfd = 40965;

// Exif directory
inline constexpr uint16_t kExposureTime = 33434;
inline constexpr uint16_t kFNumber = 33437;
inline constexpr uint16_t kExposureProgram = 34850;
inline constexpr uint16_t kIsoSpeedRatings = 34855;
inline constexpr uint16_t kExifVersion = 36864;
inline constexpr uint16_t kDateTimeOriginal = 36867;
inline constexpr uint16_t kDateTimeDigitized = 36868;
inline constexpr uint16_t kExposureBiasValue = 37380;
inline constexpr uint16_t kMaxApertureValue = 37381;
inline constexpr uint16_t kMeteringMode = 37383;
inline constexpr uint16_t kLightSource = 37384;
inline constexpr uint16_t kFlash = 37385;
inline constexpr uint16_t kFocalLength = 37386;
inline constexpr uint16_t kMakerNote = 37500;
inline constexpr uint16_t kUserComment = 37510;
inline constexpr uint16_t kFlashpixVersion = 40960;
inline constexpr uint16_t kColorSpace = 40961;
inline constexpr uint16_t kPixelXDimension = 40962;
inline constexpr uint16_t kPixelYDimension = 40963;
inline constexpr uint16_t kFileSource = 41728;

// Olympus maker-note directory
inline constexpr uint16_t kOlympusQuality = 0x0201;
inline constexpr uint16_t kOlympusMacro = 0x0202;
inline constexpr uint16_t kOlympusDigitalZoom = 0x0204;
inline constexpr uint16_t kOlympusFirmware = 0x0207;
inline constexpr uint16_t kOlympusFlashMode = 0x1004;
inline constexpr uint16_t kOlympusBracketBias = 0x1006;
inline constexpr uint16_t kOlympusFocusMode = 0x100B;
inline constexpr uint16_t kOlympusZoomStep = 0x100D;
inline constexpr uint16_t kOlympusSharpness = 0x100F;
inline constexpr uint16_t kOlympusColourMatrix = 0x1011;
inline constexpr uint16_t kOlympusBlackLevels = 0x1012;
inline constexpr uint16_t kOlympusWhiteBalanceMode = 0x1015;
inline constexpr uint16_t kOlympusRedBalance = 0x1017;
inline constexpr uint16_t kOlympusBlueBalance = 0x1018;
inline constexpr uint16_t kOlympusFlashBias = 0x1023;
inline constexpr uint16_t kOlympusContrast = 0x1029;
}  // namespace tag

}  // namespace kyp
