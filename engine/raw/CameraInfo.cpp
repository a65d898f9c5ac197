#include "engine/raw/CameraInfo.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <memory>

#include "engine/core/PathText.h"
#include "engine/raw/OrfRaw.h"
#include "engine/raw/TagVocabulary.h"
#include "engine/raw/TiffDocument.h"
#include "engine/raw/TiffTags.h"

namespace kyp {

namespace {

// The summary accepts a maker note of 7 bytes, the other texts want 9 like the raw extraction.
constexpr uint32_t kMakerNoteMinimum = 9;
constexpr uint32_t kSummaryMakerNoteMinimum = 7;
constexpr uint16_t kNoBalance = 256;  // 1.0, the balance shown when the tag is missing

void appendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

void appendf(std::string& out, const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n > 0) out.append(text, std::min<size_t>(static_cast<size_t>(n), sizeof text - 1));
}

// What every text reads from: the Exif directory, the maker note (or none)
// and the file name.
struct Sources {
    TiffDocument* document = nullptr;
    const TiffDirectory* exif = nullptr;
    std::unique_ptr<TiffDirectory> makerNote;
    std::string_view fileName;

    [[nodiscard]] const TiffEntry* exifEntry(uint16_t t) const { return exif->find(t); }
    [[nodiscard]] const TiffEntry* makerEntry(uint16_t t) const { return makerNote ? makerNote->find(t) : nullptr; }
    [[nodiscard]] std::optional<uint32_t> makerValue(uint16_t t) const {
        const TiffEntry* e = makerEntry(t);
        return e ? std::optional<uint32_t>(e->intValue()) : std::nullopt;
    }
    [[nodiscard]] std::optional<std::string> word(uint16_t t) const {
        const TiffEntry* e = exifEntry(t);
        return e ? formatValue(*e) : std::nullopt;
    }
    [[nodiscard]] bool flashFired() const {
        const TiffEntry* e = exifEntry(tag::kFlash);
        return e && kyp::flashFired(e->intValue());
    }
    [[nodiscard]] std::optional<std::string> date() const {
        const TiffEntry* e = exifEntry(tag::kDateTimeOriginal);
        return e ? std::optional<std::string>(exifDateText(e->text())) : std::nullopt;
    }
    // Red and blue balance (256 when missing) and the mode name, when the mode tag is present.
    [[nodiscard]] std::optional<std::string> whiteBalanceName() const {
        const TiffEntry* e = makerEntry(tag::kOlympusWhiteBalanceMode);
        if (!e) return std::nullopt;
        uint16_t first = 0, second = 0;
        (void)e->shortAt(0, first);
        (void)e->shortAt(1, second);
        return std::string(WhiteBalanceName(WhiteBalanceModeFrom(first, second)));
    }
    [[nodiscard]] uint16_t balance(uint16_t t) const {
        const std::optional<uint32_t> v = makerValue(t);
        return v ? static_cast<uint16_t>(*v) : kNoBalance;
    }
};

bool openSources(TiffDocument& document, uint32_t makerNoteMinimum, Sources& sources) {
    if (!document.isOpen()) return false;
    sources.exif = document.findDirectory(DirectoryKind::Exif);
    if (!sources.exif) return false;
    sources.document = &document;
    sources.makerNote = readOlympusMakerNote(document, makerNoteMinimum);
    sources.fileName = FileNamePart(document.file().path());
    return true;
}

// A rational entry's value; nothing for entries of other types.
struct Rational {
    uint32_t numerator = 0;
    uint32_t denominator = 0;
    bool isSigned = false;
    [[nodiscard]] std::string text() const { return rationalText(numerator, denominator, isSigned); }
    [[nodiscard]] std::string caption() const { return captionRationalText(numerator, denominator, isSigned); }
};

std::optional<Rational> rationalIn(const TiffEntry* entry) {
    Rational r;
    if (!entry || !rationalOf(*entry, r.numerator, r.denominator, r.isSigned)) return std::nullopt;
    return r;
}

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

std::string storedAsShown(std::string_view stored) {
    std::string text(stored);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    return text;
}

}  // namespace

std::string exifDateText(std::string_view stored) {
    int values[6] = {};
    size_t pos = 0;
    for (int& value : values) {
        while (pos < stored.size() && stored[pos] == ' ') ++pos;
        size_t digits = 0;
        int v = 0;
        while (pos < stored.size() && stored[pos] >= '0' && stored[pos] <= '9') {
            if (digits < 6) v = v * 10 + (stored[pos] - '0');
            ++digits;
            ++pos;
        }
        if (digits == 0 || digits > 6) return storedAsShown(stored);
        value = v;
        if (pos < stored.size()) ++pos;  // the one character that ends the number
    }
    const int year = values[0], month = values[1], day = values[2];
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > 31 || values[3] > 23 || values[4] > 59 ||
        values[5] > 60) {
        return storedAsShown(stored);
    }
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = values[3];
    t.tm_min = values[4];
    t.tm_sec = values[5];
    const int64_t days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    t.tm_wday = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    t.tm_yday = static_cast<int>(days - daysFromCivil(year, 1, 1));
    char text[128];
    const size_t n = std::strftime(text, sizeof text, "%x %X", &t);
    return n > 0 ? std::string(text, n) : storedAsShown(stored);
}

std::optional<std::string> cameraInfoText(TiffDocument& document) {
    Sources s;
    if (!openSources(document, kMakerNoteMinimum, s)) return std::nullopt;
    std::string out;
    if (!s.fileName.empty()) out.append("File:\t").append(s.fileName).append("\r\n");
    if (auto date = s.date()) out.append("Date/Time:\t").append(*date).append("\r\n");
    if (auto w = s.word(tag::kFNumber)) out.append("Aperture:\t").append(*w).append("\r\n");
    if (auto w = s.word(tag::kExposureTime)) out.append("Shutter:\t").append(*w).append("\r\n");
    if (auto r = rationalIn(s.exifEntry(tag::kFocalLength))) out.append("Focal length:\t").append(r->text()).append("\r\n");
    if (auto r = rationalIn(s.exifEntry(tag::kExposureBiasValue)); r && r->numerator && r->denominator)
        out.append("Exposure bias:\t").append(r->text()).append(" EV\r\n");
    if (auto w = s.word(tag::kMeteringMode)) out.append("Metering mode:\t").append(*w).append("\r\n");
    if (auto w = s.word(tag::kExposureProgram)) out.append("Exposure mode:\t").append(*w).append("\r\n");
    if (const TiffEntry* iso = s.exifEntry(tag::kIsoSpeedRatings)) appendf(out, "Speed:\tISO %u\r\n", iso->intValue());
    if (auto w = s.word(tag::kFlash)) out.append("Flash:\t").append(*w).append("\r\n");

    if (auto v = s.makerValue(tag::kOlympusFocusMode)) appendf(out, "Focusing:\t%s\r\n", focusWord(*v));
    if (auto v = s.makerValue(tag::kOlympusMacro)) appendf(out, "Macro:\t%s\r\n", macroWord(*v));
    if (auto v = s.makerValue(tag::kOlympusZoomStep))
        appendf(out, "Zoom:\t%u (%lld%%)\r\n", *v, static_cast<long long>(zoomPercent(*v)));
    if (auto v = s.makerValue(tag::kOlympusFlashMode)) appendf(out, "Flash mode:\t%s\r\n", flashModeWord(*v));
    if (auto r = rationalIn(s.makerEntry(tag::kOlympusFlashBias)); r && r->numerator)
        out.append("Flash bias:\t").append(r->text()).append(" EV\r\n");
    if (auto r = rationalIn(s.makerEntry(tag::kOlympusBracketBias)); r && r->numerator)
        out.append("Bracket bias:\t").append(r->text()).append(" EV\r\n");
    if (auto name = s.whiteBalanceName()) out.append("White Balance:\t").append(*name).append("\r\n");
    if (auto v = s.makerValue(tag::kOlympusRedBalance))
        appendf(out, "Red  WB Bias:\t%.2f\r\n", static_cast<uint16_t>(*v) / 256.0);
    if (auto v = s.makerValue(tag::kOlympusBlueBalance))
        appendf(out, "Blue WB Bias:\t%.2f\r\n", static_cast<uint16_t>(*v) / 256.0);
    if (auto v = s.makerValue(tag::kOlympusSharpness)) appendf(out, "Sharpness setting:\t%s\r\n", sharpnessWord(*v));
    if (auto v = s.makerValue(tag::kOlympusContrast)) appendf(out, "Contrast setting:\t%s\r\n", contrastWord(*v));
    if (const TiffEntry* software = document.findEntryAnywhere(tag::kSoftware))
        out.append("Software version:\t").append(software->text()).append("\r\n");
    if (const TiffEntry* firmware = s.makerEntry(tag::kOlympusFirmware))
        out.append("Firmware version:\t").append(firmware->text()).append("\r\n");
    return out;
}

std::optional<std::string> cameraSummary(TiffDocument& document) {
    Sources s;
    if (!openSources(document, kSummaryMakerNoteMinimum, s)) return std::nullopt;
    std::string out(s.fileName);
    out.append("  ");
    if (auto date = s.date()) out.append(*date);
    out.append("\r\n");
    if (auto w = s.word(tag::kFNumber)) out.append(*w).append(", ");
    if (auto w = s.word(tag::kExposureTime)) out.append(*w).append(", ");
    if (auto r = rationalIn(s.exifEntry(tag::kExposureBiasValue)); r && r->numerator && r->denominator)
        out.append(r->text()).append(" EV, ");
    if (auto w = s.word(tag::kMeteringMode)) out.append(*w).append(", ");
    if (auto w = s.word(tag::kExposureProgram)) out.append(*w).append(", ");
    if (const TiffEntry* iso = s.exifEntry(tag::kIsoSpeedRatings)) appendf(out, "ISO %u, ", iso->intValue());
    const bool fired = s.flashFired();
    if (fired) out.append(*s.word(tag::kFlash)).append(", ");

    if (auto v = s.makerValue(tag::kOlympusFocusMode)) appendf(out, "%s Focus, ", focusWord(*v));
    if (auto v = s.makerValue(tag::kOlympusMacro); v && *v != 0) out.append("Macro, ");
    if (auto v = s.makerValue(tag::kOlympusZoomStep))
        appendf(out, "Zoom %u (%lld%%), ", *v, static_cast<long long>(zoomPercent(*v)));
    if (fired) {
        if (auto v = s.makerValue(tag::kOlympusFlashMode)) appendf(out, "%s, ", flashModeWord(*v));
        if (auto r = rationalIn(s.makerEntry(tag::kOlympusFlashBias)); r && r->numerator)
            out.append("Flash ").append(r->text()).append(" EV, ");
    }
    if (auto r = rationalIn(s.makerEntry(tag::kOlympusBracketBias)); r && r->numerator)
        out.append("Bracket ").append(r->text()).append(" EV, ");
    if (auto name = s.whiteBalanceName())
        appendf(out, "White Balance %s (%u,%u), ", name->c_str(), unsigned{s.balance(tag::kOlympusRedBalance)},
                unsigned{s.balance(tag::kOlympusBlueBalance)});
    if (auto v = s.makerValue(tag::kOlympusSharpness)) appendf(out, "%s Sharpness, ", sharpnessWord(*v));
    if (auto v = s.makerValue(tag::kOlympusContrast)) appendf(out, "%s Contrast", contrastWord(*v));
    return out;
}

std::string cameraCaption(TiffDocument& document) {
    Sources s;
    if (!openSources(document, kMakerNoteMinimum, s)) return {};
    std::string out;
    if (!s.fileName.empty()) out.append(s.fileName).append("\r\n");
    if (auto date = s.date()) out.append(*date).append("\r\n");

    // Aperture and shutter share a line.
    const std::optional<std::string> aperture = s.word(tag::kFNumber);
    uint32_t n = 0, d = 0;
    bool isSigned = false;
    const TiffEntry* time = s.exifEntry(tag::kExposureTime);
    const bool hasTime = time && rationalOf(*time, n, d, isSigned);
    if (aperture) out.append(*aperture);
    if (aperture && hasTime) out.append(", ");
    if (hasTime) appendf(out, "%u/%u second", n, d);
    if (aperture || hasTime) out.append("\r\n");

    if (auto r = rationalIn(s.exifEntry(tag::kExposureBiasValue)); r && r->numerator && r->denominator)
        out.append(r->caption()).append(" EV\r\n");
    if (const TiffEntry* meter = s.exifEntry(tag::kMeteringMode))
        out.append("Meter: ").append(meter->intValue() == 2 ? std::string("Center-weighted") : *formatValue(*meter)).append("\r\n");
    if (auto w = s.word(tag::kExposureProgram)) out.append("Exposure: ").append(*w).append("\r\n");
    const bool fired = s.flashFired();
    if (fired) out.append(*s.word(tag::kFlash)).append(", ");

    if (!s.makerNote) return out;
    if (fired) {
        if (auto v = s.makerValue(tag::kOlympusFlashMode)) out.append(flashModeWord(*v));
        if (auto r = rationalIn(s.makerEntry(tag::kOlympusFlashBias)); r && r->numerator)
            out.append(r->caption()).append(" EV");
        out.append("\r\n");
    }
    if (auto v = s.makerValue(tag::kOlympusFocusMode)) out.append(focusWord(*v)).append(" Focus\r\n");
    if (auto v = s.makerValue(tag::kOlympusMacro); v && *v != 0) out.append("Macro\r\n");
    if (auto name = s.whiteBalanceName())
        appendf(out, "White Balance %s (%u/%u)\r\n", name->c_str(), unsigned{s.balance(tag::kOlympusRedBalance)},
                unsigned{s.balance(tag::kOlympusBlueBalance)});
    return out;
}

}  // namespace kyp
