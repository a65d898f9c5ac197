#pragma once
#include <string>

#include "engine/settings/Curve.h"
#include "engine/settings/ImportSettings.h"
#include "engine/settings/OutputSettings.h"

namespace kyp {

// Kyp import settings file (.kis): 8-bit text of tags, "\r\n" line ends, no
// byte-order mark and no terminating zero:
//   <KypImport><version=4.0>
//   <Options="(black|fudge|...) gamma=2.22222 ...">
//   <Curve_RGB="2:0,0 255,255">  (and Curve_Red, Curve_Green, Curve_Blue)
//   <fmt=0><tx=1><ta=1><t16=0><jx=1><ja=1><jq=95>
//   <Artist="...">  <Copyright="...">  <Description="...">  (when present)
//
// A value is written in double quotes. One that holds a double quote is
// written in single quotes instead (the reader takes both). One that holds
// both kinds is written bare (<Artist=it's "x">) when the bare form reads back
// whole (it does not start with white space, a quote, "<" or "=", and holds no
// ">"); otherwise its double quotes become single quotes and it is written in
// double quotes, so the file always stays readable.
//
// settings and output may be null: their lines are then left out.
[[nodiscard]] std::string WriteKisText(const ImportSettings* settings, const CurveArray& curves,
                                       const OutputSettings* output);

// Creates or replaces the file (written beside it and renamed into place).
[[nodiscard]] bool WriteKisFile(const std::string& path, const ImportSettings* settings, const CurveArray& curves,
                                const OutputSettings* output);

// Runs the tag reader over a .kis text (length -1: zero-terminated). Tags
// before <KypImport> are ignored; names are compared without regard to case;
// "Options" fills settings through the options text reader (which zeroes it
// first), the four curve names fill their curves, every other name goes to
// output's tag handler (when output is given). Records are filled as the tags
// are read, so a text that fails part-way leaves the earlier tags applied.
// The result is the tag reader's.
[[nodiscard]] bool ReadKisText(const char* text, int length, ImportSettings& settings, CurveArray& curves,
                               OutputSettings* output);

// Reads the whole file and parses it as above; false also when it cannot be
// opened or read.
[[nodiscard]] bool ReadKisFile(const std::string& path, ImportSettings& settings, CurveArray& curves,
                               OutputSettings* output);

// The curve names of the .kis file and the settings store, master to blue.
inline constexpr const char* kCurveValueNames[kCurveCount] = {"Curve_RGB", "Curve_Red", "Curve_Green", "Curve_Blue"};

}  // namespace kyp
