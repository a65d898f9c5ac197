#include "gui/pages/RatioText.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace kyp {

std::string RatioText(uint32_t ratio) {
    return std::to_string(ratio >> 16) + "/" + std::to_string(ratio & 0xFFFFu);
}

namespace {

// One number with automatic base at text; end gets the first character after
// it. Nothing when no number starts there or it does not fit 0..65535.
std::optional<uint32_t> ReadNumber(const char* text, const char*& end) {
    char* stop = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &stop, 0);
    end = stop;
    if (stop == text || errno == ERANGE || value < 0 || value > 0xFFFF) return std::nullopt;
    return static_cast<uint32_t>(value);
}

}  // namespace

std::optional<uint32_t> ParseRatio(const std::string& text) {
    const char* position = text.c_str();
    const char* end = position;
    const std::optional<uint32_t> multiplier = ReadNumber(position, end);
    if (!multiplier) return std::nullopt;
    position = end;
    while (*position != '\0' && !std::isdigit(static_cast<unsigned char>(*position)) && *position != '+' &&
           *position != '-') {
        ++position;
    }
    uint32_t divisor = 1;
    if (*position != '\0') {
        const std::optional<uint32_t> second = ReadNumber(position, end);
        if (!second || *second == 0) return std::nullopt;
        divisor = *second;
    }
    return *multiplier << 16 | divisor;
}

}  // namespace kyp
