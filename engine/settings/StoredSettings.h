#pragma once
#include "engine/settings/Curve.h"
#include "engine/settings/ImportSettings.h"
#include "engine/settings/OutputSettings.h"
#include "platform/SettingsStore.h"

namespace kyp {

// The settings both programs keep in the settings store, all strings:
//   "Options"     options text of the import settings
//   "FileFormat"  format tags of the output settings
//   "Artist", "Copyright"  annotation texts (an absent text is written empty)
//   "Curve_RGB", "Curve_Red", "Curve_Green", "Curve_Blue"  curve texts
// The description is not kept. Reads need a store opened for reading (or
// writing); writes one created for writing.

// False when "Options" is missing (or not a string). A value of 1024 bytes or
// more (terminator counted) succeeds without changing settings; any other is
// read by the options text reader.
[[nodiscard]] bool ReadStoredOptions(const SettingsStore& store, ImportSettings& settings);
[[nodiscard]] bool WriteStoredOptions(SettingsStore& store, const ImportSettings& settings);

// False, changing nothing, when "FileFormat" is missing. Otherwise its tags go
// to the tag handler, and artist and copyright become the stored texts (absent
// when their values are missing).
[[nodiscard]] bool ReadStoredOutputSettings(const SettingsStore& store, OutputSettings& output);
// Writes "FileFormat", "Artist" and "Copyright" in one change of the store.
[[nodiscard]] bool WriteStoredOutputSettings(SettingsStore& store, const OutputSettings& output);

// One curve by index (0 master .. 3 blue); false, leaving it unchanged, when
// its value is missing.
[[nodiscard]] bool ReadStoredCurve(const SettingsStore& store, int index, Curve& curve);
// All four; a missing value leaves its curve as it was.
void ReadStoredCurves(const SettingsStore& store, CurveArray& curves);
// Writes the four curve texts in one change of the store.
[[nodiscard]] bool WriteStoredCurves(SettingsStore& store, const CurveArray& curves);

// The console's -c: opens the store and reads, in this order, the output
// settings, then resets the four curves to the identity, reads "Options"
// and the four curves. True when the store could be opened: the caller then
// rebuilds its curve tables. When it cannot be opened nothing changes.
// problem (when given) gets the store's sentence about a damaged store
// (moved aside, values left out), or is emptied.
[[nodiscard]] bool LoadStoredSettings(ImportSettings& settings, OutputSettings& output, CurveArray& curves,
                                      std::string* problem = nullptr);

// Writes whichever of the three are given (options, curves, output settings)
// in one change of the store, creating it when missing.
[[nodiscard]] bool SaveStoredSettings(const ImportSettings* settings, const CurveArray* curves,
                                      const OutputSettings* output);

}  // namespace kyp
