#pragma once
#include <string>

#include "console/ConsoleStream.h"

namespace kyp {

// "Version %u.%02u%s" from the build's version, " (Debug)" in debug builds.
[[nodiscard]] std::string VersionText();

// "KYP2TIFF <version>" and the maker's notice line.
void PrintBanner(ConsoleStream& out);

// The option summary printed after the banner when the arguments are unusable.
void PrintUsage(ConsoleStream& out);

}  // namespace kyp
