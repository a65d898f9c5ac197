#include "engine/settings/KisFile.h"

#include <limits>

#include "engine/core/AsciiText.h"
#include "engine/settings/TagReader.h"
#include "platform/FileContents.h"

namespace kyp {

namespace {

// A .kis file of the program is well under a kilobyte; 100,000 tags take a
// few megabytes. Anything beyond this is not a settings file.
constexpr size_t kMaxKisFileSize = 64u << 20;

bool CanBeBare(const std::string& value) {
    if (value.empty()) return false;
    const char first = value.front();
    if (first == ' ' || first == '\t' || first == '\r' || first == '\n' || first == '"' || first == '\'' ||
        first == '<' || first == '=')
        return false;
    return value.find('>') == std::string::npos && value.find('\0') == std::string::npos;
}

void AppendKeyedLine(std::string& out, const char* name, const std::string& value) {
    const bool hasDouble = value.find('"') != std::string::npos;
    const bool hasSingle = value.find('\'') != std::string::npos;
    out += '<';
    out += name;
    out += '=';
    if (!hasDouble) {
        out += '"';
        out += value;
        out += '"';
    } else if (!hasSingle) {
        out += '\'';
        out += value;
        out += '\'';
    } else if (CanBeBare(value)) {
        out += value;
    } else {
        out += '"';
        for (char c : value) out += c == '"' ? '\'' : c;
        out += '"';
    }
    out += ">\r\n";
}

struct KisContext {
    bool inSection = false;
    ImportSettings* settings = nullptr;
    CurveArray* curves = nullptr;
    OutputSettings* output = nullptr;
};

bool KisTag(const char* name, const char* value, void* context) {
    auto& c = *static_cast<KisContext*>(context);
    if (!name || !*name) return true;
    using ascii::EqualsNoCase;
    if (EqualsNoCase(name, "KypImport")) {
        c.inSection = true;
        return true;
    }
    if (!c.inSection) return true;
    if (EqualsNoCase(name, "Options")) {
        ReadOptionsText(value, *c.settings);
        return true;
    }
    for (int i = 0; i < kCurveCount; ++i) {
        if (EqualsNoCase(name, kCurveValueNames[i])) {
            (*c.curves)[static_cast<size_t>(i)].ReadText(value);
            return true;
        }
    }
    if (c.output) c.output->ApplyTag(name, value);
    return true;
}

}  // namespace

std::string WriteKisText(const ImportSettings* settings, const CurveArray& curves, const OutputSettings* output) {
    std::string out = "<KypImport><version=4.0>\r\n";
    if (settings) AppendKeyedLine(out, "Options", WriteOptionsText(*settings));
    for (int i = 0; i < kCurveCount; ++i)
        AppendKeyedLine(out, kCurveValueNames[i], curves[static_cast<size_t>(i)].WriteText());
    if (output) {
        out += output->WriteFormatTags();
        out += "\r\n";
        if (output->artist) AppendKeyedLine(out, "Artist", *output->artist);
        if (output->copyright) AppendKeyedLine(out, "Copyright", *output->copyright);
        if (output->description) AppendKeyedLine(out, "Description", *output->description);
    }
    return out;
}

bool WriteKisFile(const std::string& path, const ImportSettings* settings, const CurveArray& curves,
                  const OutputSettings* output) {
    const std::string text = WriteKisText(settings, curves, output);
    return ReplaceFileContents(path, text.data(), text.size());
}

bool ReadKisText(const char* text, int length, ImportSettings& settings, CurveArray& curves, OutputSettings* output) {
    KisContext context;
    context.settings = &settings;
    context.curves = &curves;
    context.output = output;
    return ReadTags(text, length, KisTag, &context);
}

bool ReadKisFile(const std::string& path, ImportSettings& settings, CurveArray& curves, OutputSettings* output) {
    std::string text;
    if (!ReadFileContents(path, kMaxKisFileSize, text)) return false;
    static_assert(kMaxKisFileSize <= static_cast<size_t>(std::numeric_limits<int>::max()));
    return ReadKisText(text.data(), static_cast<int>(text.size()), settings, curves, output);
}

}  // namespace kyp
