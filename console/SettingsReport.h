#pragma once
#include "console/ConsoleCurves.h"
#include "console/ConsoleStream.h"
#include "engine/settings/ImportSettings.h"
#include "engine/settings/OutputSettings.h"

namespace kyp {

// What kyp2tiff would do with the settings in force: one item per step that
// is switched on, in pipeline order, each followed by "\n\t" so the items sit
// indented under "Options:"; then the annotation, the curves in use and the
// output format when it is not TIFF.
void PrintSettingsReport(ConsoleStream& out, const ImportSettings& settings, const OutputSettings& output,
                         const ConsoleCurves& curves);

}  // namespace kyp
