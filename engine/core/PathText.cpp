#include "engine/core/PathText.h"

#include "engine/core/AsciiText.h"

namespace kyp {

namespace {

// Position of the file name's extension dot, or npos.
size_t ExtensionDot(std::string_view path) {
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < nameStart) return std::string_view::npos;
    return dot;
}

}  // namespace

std::string_view FileNamePart(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool HasExtension(std::string_view path, std::string_view extension) {
    const size_t dot = ExtensionDot(path);
    return dot != std::string_view::npos && ascii::EqualsNoCase(path.substr(dot), extension);
}

std::string ReplaceExtension(std::string_view path, std::string_view extension) {
    const size_t dot = ExtensionDot(path);
    std::string result(dot == std::string_view::npos ? path : path.substr(0, dot));
    result.append(extension);
    return result;
}

}  // namespace kyp
