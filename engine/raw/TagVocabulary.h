#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace kyp {

class TiffEntry;

// The words for Exif and Olympus maker-note values that the camera-information
// texts show. Every function returns owned text, so all of them may be called
// from any thread.

// The word form of an Exif entry: ExposureTime, FNumber, ExposureProgram,
// MeteringMode and Flash have one; every other tag gives nothing.
[[nodiscard]] std::optional<std::string> formatValue(const TiffEntry& entry);

// "<unknown> %u" below 32768, "Vendor Unique %u" from 32768 on.
[[nodiscard]] std::string vendorFallbackText(uint32_t value);
// "Flash " then, run together: "Fired"/"Not Fired" (bit 0); "Return not
// sensed"/"Return sensed" (bits 1-2 = 2/3); "Fill Flash"/"Flash Off"/"Auto
// Flash" (bits 3-4 = 1/2/3); "No flash on camera" (bit 5).
[[nodiscard]] std::string flashText(uint32_t value);
// "%u/%u second"; a fraction below one whose numerator is not 0 or 1 is first
// reduced to 1 over (denominator / numerator).
[[nodiscard]] std::string exposureTimeText(uint32_t numerator, uint32_t denominator);
// "F%-3.1f" of numerator / denominator; "unknown" when the denominator is 0.
[[nodiscard]] std::string fNumberText(uint32_t numerator, uint32_t denominator);

// True when the Exif Flash value says the flash fired.
[[nodiscard]] inline bool flashFired(uint32_t flash) { return (flash & 1) != 0; }

// Rationals. Unsigned (RATIONAL): "%.2f", or "%u/0" when the denominator is 0;
// signed (SRATIONAL): "%+.2f", or "%+d/0".
[[nodiscard]] std::string rationalText(uint32_t numerator, uint32_t denominator, bool isSigned);
// The caption's form for either type: "%+.2f", or the numerator and "/0".
[[nodiscard]] std::string captionRationalText(uint32_t numerator, uint32_t denominator, bool isSigned);
// The first value of a RATIONAL or SRATIONAL entry; false for other types or no value.
[[nodiscard]] bool rationalOf(const TiffEntry& entry, uint32_t& numerator, uint32_t& denominator, bool& isSigned);

// Olympus maker-note words.
[[nodiscard]] const char* flashModeWord(uint32_t value);  // 0 "Flash", 1 "Red-Eye", 2 "Fill", 3 "No flash", else "?"
[[nodiscard]] const char* focusWord(uint32_t value);      // 0 "Auto", else "Manual"
[[nodiscard]] const char* macroWord(uint32_t value);      // 0 "Off", else "On"
[[nodiscard]] const char* sharpnessWord(uint32_t value);  // 0 "Normal", 1 "Hard", 2 "Soft", else "?"
[[nodiscard]] const char* contrastWord(uint32_t value);   // 0 "High", 1 "Normal", 2 "Low", else "?"
// Zoom step as a percentage of the 32-step range: (step − 1) × 100 / 31,
// rounded half away from zero (MulDiv's rounding).
[[nodiscard]] int64_t zoomPercent(uint32_t step);

}  // namespace kyp
