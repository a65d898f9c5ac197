#include "engine/output/ExifCarry.h"

#include <bit>
#include <cstring>
#include <optional>

namespace kyp {

// Entries hold their values in machine order and the files are little-endian:
// the records are copied as they stand.
static_assert(std::endian::native == std::endian::little, "the TIFF writers assume a little-endian machine");

void addCarriedExifEntries(TiffDirectory& exif, const TiffDirectory& sourceExif, bool withColorSpace,
                           uint64_t maxDataSize) {
    for (const uint16_t carried : kCarriedExifTags) {
        if (carried == tag::kColorSpace && !withColorSpace) continue;
        std::optional<TiffEntry> copy = TiffEntry::cloneFrom(sourceExif, carried);
        if (copy && copy->dataSize() <= maxDataSize) exif.entries.push_back(std::move(*copy));
    }
}

void putTiffDirectory(uint8_t* file, const TiffDirectory& directory) {
    uint8_t* p = file + directory.position;
    const uint16_t count = directory.count();
    std::memcpy(p, &count, 2);
    p += 2;
    for (const TiffEntry& entry : directory.entries) {
        std::memcpy(p, &entry.tag, 2);
        std::memcpy(p + 2, &entry.type, 2);
        std::memcpy(p + 4, &entry.count, 4);
        std::memcpy(p + 8, &entry.value, 4);
        p += 12;
    }
    std::memset(p, 0, 4);
}

bool formatTiffDateTime(std::time_t moment, char out[20]) {
    std::memcpy(out, "0000:00:00 00:00:00", 20);
    std::tm local{};
    if (!localtime_r(&moment, &local)) return false;
    const long year = long{local.tm_year} + 1900;
    if (year < 0 || year > 9999) return false;
    char text[32];
    if (std::strftime(text, sizeof text, "%Y:%m:%d %H:%M:%S", &local) != 19) return false;
    std::memcpy(out, text, 20);
    return true;
}

std::string currentExifDateTime() {
    char text[20];
    // On failure the text keeps its shape (zeros, colons and a space).
    (void)formatTiffDateTime(std::time(nullptr), text);
    return std::string(text, 19);
}

}  // namespace kyp
