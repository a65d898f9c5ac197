#pragma once
#include <memory>
#include <string>

#include "engine/process/ProcessingSession.h"
#include "engine/settings/ImportSettings.h"
#include "engine/settings/OutputSettings.h"

namespace kyp {

// The console program's four curves (master, red, green, blue) and the
// curve set built from them: one 1024-entry table per curve that is not the
// identity, absent otherwise. The tables live as long as this object, so the
// processing session may keep pointing at Tables().
class ConsoleCurves {
public:
    static constexpr int kCount = 4;

    ConsoleCurves();  // identity curves, no tables
    ~ConsoleCurves();
    ConsoleCurves(const ConsoleCurves&) = delete;
    ConsoleCurves& operator=(const ConsoleCurves&) = delete;

    void ResetToIdentity();
    // Builds the tables again from the four curves.
    void RebuildTables();
    [[nodiscard]] const CurveTables& Tables() const;

    // Exactly the two points (0,0) and (255,255).
    [[nodiscard]] bool IsIdentity(int index) const;
    // "count:x,y x,y ..."
    [[nodiscard]] std::string Text(int index) const;

    // Resets the four curves and reads a Photoshop curve file into them.
    [[nodiscard]] bool LoadCurveFile(const std::string& path);

    // Reads a .kis settings file into the settings, the curves and the output
    // settings. False when the file cannot be read or does not parse; the tags
    // read before the failure stay applied.
    [[nodiscard]] bool LoadSettingsFile(const std::string& path, ImportSettings& settings, OutputSettings& output);

    // Reads the settings store (kyp's saved settings): output settings, then
    // the curves reset to identity, then the options text and the four curve
    // values. True when the store could be opened.
    [[nodiscard]] bool LoadStoredSettings(ImportSettings& settings, OutputSettings& output,
                                          std::string* problem = nullptr);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kyp
