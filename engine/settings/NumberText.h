#pragma once
#include <cstdint>
#include <string>

// Locale-independent number reading and writing for the stored texts (options
// text, format tags, curve texts). The desktop program runs with the user's
// locale, so strtod/printf could read or write "2,22222"; these never do.
namespace kyp::numtext {

// Reads a decimal integer the way strtol does (leading white space, optional
// sign, digits) from a zero-terminated text. Returns the position after the
// number, or text itself (value 0) when no digit follows. Values beyond the
// 32-bit range saturate.
[[nodiscard]] const char* ParseInt(const char* text, int32_t& value);

// Reads a decimal floating-point number the way strtod does in the "C" locale
// (no hexadecimal form). Infinity and NaN are not numbers here: a text that
// spells them reads as no number. Magnitudes beyond the double range saturate
// to the largest double, tiny ones become 0. Returns the position after the
// number, or text itself (value 0) when there is none.
[[nodiscard]] const char* ParseDouble(const char* text, double& value);

// A double narrowed to float without undefined behaviour: finite values beyond
// the float range become the largest float of that sign.
[[nodiscard]] float ToFloat(double value);

// printf "%g" (six significant digits) and "%.Nf" in the "C" locale.
void AppendGeneral(std::string& out, double value);
void AppendFixed(std::string& out, double value, int decimals);
void AppendInt(std::string& out, int64_t value);

}  // namespace kyp::numtext
