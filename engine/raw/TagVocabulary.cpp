#include "engine/raw/TagVocabulary.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <iterator>

#include "engine/raw/TiffEntry.h"
#include "engine/raw/TiffTags.h"

namespace kyp {

namespace {

std::string printed(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string printed(const char* format, ...) {
    char text[128];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return n < 0 ? std::string() : std::string(text, std::min<size_t>(static_cast<size_t>(n), sizeof text - 1));
}

constexpr const char* kExposurePrograms[] = {
    "Manual",
    "Program Normal",
    "Aperture Priority",
    "Shutter Priority",
    "Program Creative (Depth of Field)",
    "Program Action (Shutter Speed)",
    "Portrait Mode",
    "Landscape Mode",
};
constexpr const char* kMeteringModes[] = {
    "Average", "Center-weighted average", "Spot", "MultiSpot", "Pattern", "Partial",
};

std::optional<std::string> formatExposureTime(const TiffEntry& entry) {
    uint32_t n = 0, d = 0;
    bool isSigned = false;
    if (!rationalOf(entry, n, d, isSigned)) return std::nullopt;
    return exposureTimeText(n, d);
}

std::optional<std::string> formatFNumber(const TiffEntry& entry) {
    uint32_t n = 0, d = 0;
    bool isSigned = false;
    if (!rationalOf(entry, n, d, isSigned)) return std::string("unknown");
    return fNumberText(n, d);
}

std::optional<std::string> formatFlash(const TiffEntry& entry) { return flashText(entry.intValue()); }

// One row per tag with a word form, ascending by tag for the binary search:
// either names for the values first..last with the vendor fallback outside
// them, or a formatter of its own.
struct FormatterRow {
    uint16_t tag;
    uint32_t first;
    uint32_t last;
    const char* const* names;
    std::optional<std::string> (*own)(const TiffEntry&);
};

constexpr FormatterRow kFormatters[] = {
    {tag::kExposureTime, 0, 0, nullptr, &formatExposureTime},
    {tag::kFNumber, 0, 0, nullptr, &formatFNumber},
    {tag::kExposureProgram, 1, 8, kExposurePrograms, nullptr},
    {tag::kMeteringMode, 1, 6, kMeteringModes, nullptr},
    {tag::kFlash, 0, 0, nullptr, &formatFlash},
};
static_assert(std::size(kExposurePrograms) == 8 && std::size(kMeteringModes) == 6);

}  // namespace

std::optional<std::string> formatValue(const TiffEntry& entry) {
    const auto* end = std::end(kFormatters);
    const auto* row = std::lower_bound(std::begin(kFormatters), end, entry.tag,
                                       [](const FormatterRow& r, uint16_t t) { return r.tag < t; });
    if (row == end || row->tag != entry.tag) return std::nullopt;
    if (row->own) return row->own(entry);
    const uint32_t value = entry.intValue();
    if (value >= row->first && value <= row->last) return std::string(row->names[value - row->first]);
    return vendorFallbackText(value);
}

std::string vendorFallbackText(uint32_t value) {
    return value < 32768 ? printed("<unknown> %u", value) : printed("Vendor Unique %u", value);
}

std::string flashText(uint32_t value) {
    std::string text = "Flash ";
    text += (value & 1) ? "Fired" : "Not Fired";
    switch ((value >> 1) & 3) {
        case 2: text += "Return not sensed"; break;
        case 3: text += "Return sensed"; break;
        default: break;
    }
    switch ((value >> 3) & 3) {
        case 1: text += "Fill Flash"; break;
        case 2: text += "Flash Off"; break;
        case 3: text += "Auto Flash"; break;
        default: break;
    }
    if (value & 0x20) text += "No flash on camera";
    return text;
}

std::string exposureTimeText(uint32_t numerator, uint32_t denominator) {
    if (numerator < denominator && numerator > 1) {
        denominator /= numerator;
        numerator = 1;
    }
    return printed("%u/%u second", numerator, denominator);
}

std::string fNumberText(uint32_t numerator, uint32_t denominator) {
    if (denominator == 0) return "unknown";
    return printed("F%-3.1f", static_cast<double>(numerator) / denominator);
}

std::string rationalText(uint32_t numerator, uint32_t denominator, bool isSigned) {
    if (!isSigned) {
        if (denominator == 0) return printed("%u/0", numerator);
        return printed("%.2f", static_cast<double>(numerator) / denominator);
    }
    const auto n = static_cast<int32_t>(numerator);
    const auto d = static_cast<int32_t>(denominator);
    if (d == 0) return printed("%+d/0", n);
    return printed("%+.2f", static_cast<double>(n) / d);
}

std::string captionRationalText(uint32_t numerator, uint32_t denominator, bool isSigned) {
    const double n = isSigned ? static_cast<double>(static_cast<int32_t>(numerator)) : static_cast<double>(numerator);
    const double d = isSigned ? static_cast<double>(static_cast<int32_t>(denominator)) : static_cast<double>(denominator);
    if (denominator == 0)
        return isSigned ? printed("%d/0", static_cast<int32_t>(numerator)) : printed("%u/0", numerator);
    return printed("%+.2f", n / d);
}

bool rationalOf(const TiffEntry& entry, uint32_t& numerator, uint32_t& denominator, bool& isSigned) {
    if (!entry.rationalAt(0, numerator, denominator)) return false;
    isSigned = entry.type == kTiffSRational;
    return true;
}

const char* flashModeWord(uint32_t value) {
    static constexpr const char* kWords[] = {"Flash", "Red-Eye", "Fill", "No flash"};
    return value < std::size(kWords) ? kWords[value] : "?";
}

const char* focusWord(uint32_t value) { return value == 0 ? "Auto" : "Manual"; }

const char* macroWord(uint32_t value) { return value == 0 ? "Off" : "On"; }

const char* sharpnessWord(uint32_t value) {
    static constexpr const char* kWords[] = {"Normal", "Hard", "Soft"};
    return value < std::size(kWords) ? kWords[value] : "?";
}

const char* contrastWord(uint32_t value) {
    static constexpr const char* kWords[] = {"High", "Normal", "Low"};
    return value < std::size(kWords) ? kWords[value] : "?";
}

int64_t zoomPercent(uint32_t step) {
    const int64_t product = (static_cast<int64_t>(step) - 1) * 100;
    return (product >= 0 ? product + 15 : product - 15) / 31;
}

}  // namespace kyp
