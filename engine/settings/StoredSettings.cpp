#include "engine/settings/StoredSettings.h"

#include "engine/settings/KisFile.h"

namespace kyp {

namespace {

constexpr const char* kOptions = "Options";
constexpr const char* kFileFormat = "FileFormat";
constexpr const char* kArtist = "Artist";
constexpr const char* kCopyright = "Copyright";

std::optional<std::string> ReadText(const SettingsStore& store, const char* name) {
    std::string value;
    if (!store.ReadString(name, value)) return std::nullopt;
    return value;
}

void writeOutput(SettingsStore& store, const OutputSettings& output, bool& ok) {
    ok = store.WriteString(kFileFormat, output.WriteFormatTags()) && ok;
    ok = store.WriteString(kArtist, output.artist.value_or(std::string())) && ok;
    ok = store.WriteString(kCopyright, output.copyright.value_or(std::string())) && ok;
}

void WriteCurves(SettingsStore& store, const CurveArray& curves, bool& ok) {
    for (int i = 0; i < kCurveCount; ++i)
        ok = store.WriteString(kCurveValueNames[i], curves[static_cast<size_t>(i)].WriteText()) && ok;
}

}  // namespace

bool ReadStoredOptions(const SettingsStore& store, ImportSettings& settings) {
    if (store.QueryValueType(kOptions) != StoreValueType::string) return false;
    const std::optional<uint32_t> size = store.QueryValueSize(kOptions);
    if (!size) return false;
    if (*size == 0 || *size >= static_cast<uint32_t>(kOptionsTextSize)) return true;
    std::string text;
    if (!store.ReadString(kOptions, text)) return false;
    ReadOptionsText(text.c_str(), settings);
    return true;
}

bool WriteStoredOptions(SettingsStore& store, const ImportSettings& settings) {
    return store.WriteString(kOptions, WriteOptionsText(settings));
}

bool ReadStoredOutputSettings(const SettingsStore& store, OutputSettings& output) {
    std::string tags;
    if (!store.ReadString(kFileFormat, tags)) return false;
    (void)output.ReadFormatTags(tags.c_str());  // tolerant: the tags read before an error stay
    output.artist = ReadText(store, kArtist);
    output.copyright = ReadText(store, kCopyright);
    return true;
}

bool WriteStoredOutputSettings(SettingsStore& store, const OutputSettings& output) {
    store.BeginUpdate();
    bool ok = true;
    writeOutput(store, output, ok);
    return store.CommitUpdate() && ok;
}

bool ReadStoredCurve(const SettingsStore& store, int index, Curve& curve) {
    if (index < 0 || index >= kCurveCount) return false;
    std::string text;
    if (!store.ReadString(kCurveValueNames[index], text)) return false;
    curve.ReadText(text.c_str());
    return true;
}

void ReadStoredCurves(const SettingsStore& store, CurveArray& curves) {
    for (int i = 0; i < kCurveCount; ++i) (void)ReadStoredCurve(store, i, curves[static_cast<size_t>(i)]);
}

bool WriteStoredCurves(SettingsStore& store, const CurveArray& curves) {
    store.BeginUpdate();
    bool ok = true;
    WriteCurves(store, curves, ok);
    return store.CommitUpdate() && ok;
}

bool LoadStoredSettings(ImportSettings& settings, OutputSettings& output, CurveArray& curves, std::string* problem) {
    SettingsStore store;
    const bool opened = store.OpenForReading();
    if (problem) *problem = store.Problem();
    if (!opened) return false;
    (void)ReadStoredOutputSettings(store, output);
    ResetCurves(curves);
    (void)ReadStoredOptions(store, settings);
    ReadStoredCurves(store, curves);
    return true;
}

bool SaveStoredSettings(const ImportSettings* settings, const CurveArray* curves, const OutputSettings* output) {
    SettingsStore store;
    if (!store.CreateForWriting()) return false;
    store.BeginUpdate();
    bool ok = true;
    if (settings) ok = WriteStoredOptions(store, *settings) && ok;
    if (curves) WriteCurves(store, *curves, ok);
    if (output) writeOutput(store, *output, ok);
    return store.CommitUpdate() && ok;
}

}  // namespace kyp
