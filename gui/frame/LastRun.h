#pragma once
#include "engine/settings/Curve.h"
#include "engine/settings/ImportSettings.h"

namespace kyp {

// What the last full run of the document was made with: the settings, the
// curves and whether the user declined the texture repair it offered. Apply
// compares the pages against it to know how much must be redone.
class LastRun {
public:
    void Record(const ImportSettings& settings, const CurveArray& curves, bool textureDeclined);
    // The document changed or closed: nothing was run for it yet.
    void Forget() { valid_ = false; }

    // How far settings and curves are from the last run: 0 the same, 1 the
    // steps after the demosaic, 2 from the raw data. 2 when there was none.
    [[nodiscard]] int Difference(const ImportSettings& settings, const CurveArray& curves) const;
    // The settings of the last run (valid after one).
    [[nodiscard]] const ImportSettings& Settings() const { return settings_; }

private:
    ImportSettings settings_{};
    CurveArray curves_{};
    bool textureDeclined_ = false;
    bool valid_ = false;
};

}  // namespace kyp
