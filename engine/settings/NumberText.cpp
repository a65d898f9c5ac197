#include "engine/settings/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "engine/core/AsciiText.h"

namespace kyp::numtext {

namespace {

using ascii::IsDigit;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Rough decimal exponent of a digit string that from_chars found out of range:
// positive means it overflowed, otherwise it underflowed.
bool LooksHuge(const char* p, const char* end) {
    int64_t magnitude = 0;
    bool seenNonZero = false;
    bool afterPoint = false;
    for (; p < end && (IsDigit(*p) || *p == '.'); ++p) {
        if (*p == '.') {
            afterPoint = true;
        } else if (!seenNonZero) {
            if (*p != '0') {
                seenNonZero = true;
                if (!afterPoint) magnitude = 1;
            } else if (afterPoint) {
                --magnitude;
            }
        } else if (!afterPoint) {
            if (magnitude < 100000) ++magnitude;
        }
    }
    if (p < end && (*p == 'e' || *p == 'E')) {
        int32_t exponent = 0;
        (void)ParseInt(p + 1, exponent);
        magnitude += exponent;
    }
    return magnitude > 0;
}

}  // namespace

const char* ParseInt(const char* text, int32_t& value) {
    value = 0;
    const char* p = text;
    while (IsSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (!IsDigit(*p)) return text;
    int64_t magnitude = 0;
    constexpr int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (; IsDigit(*p); ++p) {
        if (magnitude < limit) magnitude = magnitude * 10 + (*p - '0');
    }
    if (magnitude > limit) magnitude = limit;
    int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<int32_t>::max()) signedValue = std::numeric_limits<int32_t>::max();
    value = static_cast<int32_t>(signedValue);
    return p;
}

const char* ParseDouble(const char* text, double& value) {
    value = 0.0;
    const char* p = text;
    while (IsSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    // from_chars would take a second sign, "inf" and "nan"; strtod-like
    // numbers here start with a digit or a point.
    if (!IsDigit(*p) && !(*p == '.' && IsDigit(p[1]))) return text;
    const char* end = p;
    while (*end) ++end;  // zero-terminated; from_chars needs the end
    double parsed = 0.0;
    auto [next, error] = std::from_chars(p, end, parsed, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        parsed = LooksHuge(p, next) ? std::numeric_limits<double>::max() : 0.0;
    } else if (error != std::errc() || !std::isfinite(parsed)) {
        return text;
    }
    value = negative ? -parsed : parsed;
    return next;
}

float ToFloat(double value) {
    constexpr double largest = std::numeric_limits<float>::max();
    if (std::isnan(value)) return std::numeric_limits<float>::quiet_NaN();
    if (value > largest) return std::isinf(value) ? std::numeric_limits<float>::infinity() : std::numeric_limits<float>::max();
    if (value < -largest) return std::isinf(value) ? -std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::max();
    return static_cast<float>(value);
}

void AppendGeneral(std::string& out, double value) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    out.append(buffer, result.ptr);
}

void AppendFixed(std::string& out, double value, int decimals) {
    char buffer[400];  // the largest double in fixed notation has 309 digits
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return;
    out.append(buffer, result.ptr);
}

void AppendInt(std::string& out, int64_t value) {
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

}  // namespace kyp::numtext
