// TEMPORARY until the curve code lands.
#include "console/ConsoleCurves.h"
namespace kyp {
struct ConsoleCurves::Impl { CurveTables tables; };
ConsoleCurves::ConsoleCurves() : impl_(std::make_unique<Impl>()) {}
ConsoleCurves::~ConsoleCurves() = default;
void ConsoleCurves::ResetToIdentity() {}
void ConsoleCurves::RebuildTables() {}
const CurveTables& ConsoleCurves::Tables() const { return impl_->tables; }
bool ConsoleCurves::IsIdentity(int) const { return true; }
std::string ConsoleCurves::Text(int) const { return "2:0,0 255,255"; }
bool ConsoleCurves::LoadCurveFile(const std::string&) { return false; }
bool ConsoleCurves::LoadSettingsFile(const std::string&, ImportSettings&, OutputSettings&) { return false; }
bool ConsoleCurves::LoadStoredSettings(ImportSettings&, OutputSettings&) { return false; }
}
