#pragma once
#include <cstdint>
#include <string>
#include <optional>

namespace kyp {

namespace format {
inline constexpr uint32_t tiff = 0;
inline constexpr uint32_t bitmap = 1;
inline constexpr uint32_t jpeg = 2;
}  // namespace format

// How a processed image is written: format, what the writers add, TIFF depth,
// JPEG quality and the annotation texts (each may be absent).
struct OutputSettings {
    uint32_t format = format::tiff;
    bool tx = true;    // TIFF carries Exif
    bool ta = true;    // TIFF carries the annotation
    bool t16 = false;  // 16-bit TIFF
    bool jx = true;    // JPEG carries Exif
    bool ja = true;    // JPEG carries the annotation
    int32_t jpegQuality = 90;
    std::optional<std::string> artist;
    std::optional<std::string> copyright;
    std::optional<std::string> description;

    // Format TIFF, every flag but t16 set, quality 95; the texts are kept.
    void ResetToDefaults();
    void ClearTexts();
    // Deep copy; a null source changes nothing.
    void CopyFrom(const OutputSettings* source);

    // "<fmt=%d><tx=%d><ta=%d><t16=%d><jx=%d><ja=%d><jq=%d>"
    [[nodiscard]] std::string WriteFormatTags() const;
    // Applies one key/value pair (keys compared in lower case); unknown keys are ignored.
    void ApplyTag(const char* key, const char* value);
    // Parses format tags with the tag reader; false when the text does not parse.
    bool ReadFormatTags(const char* text);

    [[nodiscard]] const char* FormatName() const;
    [[nodiscard]] const char* FormatExtension() const;
};

[[nodiscard]] const char* FormatName(uint32_t format);
[[nodiscard]] const char* FormatExtension(uint32_t format);

}  // namespace kyp
