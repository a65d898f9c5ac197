#include "engine/settings/OutputSettings.h"

#include "engine/core/AsciiText.h"
#include "engine/settings/NumberText.h"
#include "engine/settings/TagReader.h"

namespace kyp {

namespace {

// The numeric tags take a value that begins with a decimal integer; any other
// value leaves the field as it was.
bool LeadingInt(const char* value, int32_t& out) {
    if (!value) return false;
    return numtext::ParseInt(value, out) != value;
}

}  // namespace

void OutputSettings::ResetToDefaults() {
    format = format::tiff;
    tx = ta = jx = ja = true;
    t16 = false;
    jpegQuality = 95;
}

void OutputSettings::ClearTexts() {
    artist.reset();
    copyright.reset();
    description.reset();
}

void OutputSettings::CopyFrom(const OutputSettings* source) {
    if (source && source != this) *this = *source;
}

std::string OutputSettings::WriteFormatTags() const {
    std::string text;
    auto tag = [&text](const char* name, int64_t value) {
        text += '<';
        text += name;
        text += '=';
        numtext::AppendInt(text, value);
        text += '>';
    };
    tag("fmt", format);
    tag("tx", tx);
    tag("ta", ta);
    tag("t16", t16);
    tag("jx", jx);
    tag("ja", ja);
    tag("jq", jpegQuality);
    return text;
}

void OutputSettings::ApplyTag(const char* key, const char* value) {
    if (!key) return;
    const std::string_view k(key);
    using ascii::EqualsNoCase;
    std::optional<std::string>* text = nullptr;
    if (EqualsNoCase(k, "artist"))
        text = &artist;
    else if (EqualsNoCase(k, "copyright"))
        text = &copyright;
    else if (EqualsNoCase(k, "description"))
        text = &description;
    if (text) {
        *text = std::string(value ? value : "");
        return;
    }

    bool* flag = nullptr;
    if (EqualsNoCase(k, "tx"))
        flag = &tx;
    else if (EqualsNoCase(k, "ta"))
        flag = &ta;
    else if (EqualsNoCase(k, "t16"))
        flag = &t16;
    else if (EqualsNoCase(k, "jx"))
        flag = &jx;
    else if (EqualsNoCase(k, "ja"))
        flag = &ja;

    int32_t number = 0;
    if (flag) {
        if (LeadingInt(value, number)) *flag = (number & 1) != 0;
    } else if (EqualsNoCase(k, "fmt")) {
        if (LeadingInt(value, number)) format = static_cast<uint32_t>(number);
    } else if (EqualsNoCase(k, "jq")) {
        if (LeadingInt(value, number)) jpegQuality = number;
    }
}

bool OutputSettings::ReadFormatTags(const char* text) {
    auto handler = [](const char* name, const char* value, void* context) {
        static_cast<OutputSettings*>(context)->ApplyTag(name, value);
        return true;
    };
    return ReadTags(text, -1, handler, this);
}

const char* OutputSettings::FormatName() const { return kyp::FormatName(format); }
const char* OutputSettings::FormatExtension() const { return kyp::FormatExtension(format); }

const char* FormatName(uint32_t format) {
    switch (format) {
        case format::tiff: return "TIFF";
        case format::bitmap: return "Bitmap";
        case format::jpeg: return "JPEG";
        default: return "unknown";
    }
}

const char* FormatExtension(uint32_t format) {
    switch (format) {
        case format::tiff: return ".tif";
        case format::bitmap: return ".bmp";
        case format::jpeg: return ".jpg";
        default: return ".";
    }
}

}  // namespace kyp
