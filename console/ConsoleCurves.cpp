#include "console/ConsoleCurves.h"

#include "engine/settings/AcvFile.h"
#include "engine/settings/Curve.h"
#include "engine/settings/CurveTable.h"
#include "engine/settings/KisFile.h"
#include "engine/settings/StoredSettings.h"

namespace kyp {

struct ConsoleCurves::Impl {
    CurveArray curves;  // identity curves
    CurveSet set;       // tables built from them
    CurveTables tables; // the set as the session borrows it

    void Publish() {
        for (int i = 0; i < kCount; ++i) tables.table[i] = set.Table(i);
    }
};

static_assert(ConsoleCurves::kCount == kCurveCount);

ConsoleCurves::ConsoleCurves() : impl_(std::make_unique<Impl>()) {}
ConsoleCurves::~ConsoleCurves() = default;

void ConsoleCurves::ResetToIdentity() { ResetCurves(impl_->curves); }

void ConsoleCurves::RebuildTables() {
    impl_->set.Build(impl_->curves);
    impl_->Publish();
}

const CurveTables& ConsoleCurves::Tables() const { return impl_->tables; }

bool ConsoleCurves::IsIdentity(int index) const { return impl_->curves[static_cast<size_t>(index)].IsIdentity(); }

std::string ConsoleCurves::Text(int index) const { return impl_->curves[static_cast<size_t>(index)].WriteText(); }

bool ConsoleCurves::LoadCurveFile(const std::string& path) { return ReadAcvFile(path, impl_->curves); }

bool ConsoleCurves::LoadSettingsFile(const std::string& path, ImportSettings& settings, OutputSettings& output) {
    return ReadKisFile(path, settings, impl_->curves, &output);
}

bool ConsoleCurves::LoadStoredSettings(ImportSettings& settings, OutputSettings& output, std::string* problem) {
    return kyp::LoadStoredSettings(settings, output, impl_->curves, problem);
}

}  // namespace kyp
