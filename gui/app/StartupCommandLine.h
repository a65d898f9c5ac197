#pragma once
#include <string>
#include <vector>

namespace kyp {

// What the desktop program's command line asks for, in the order it is to be
// done. The scan goes left to right over the arguments:
//  - an argument that begins with "-" is an option, compared after lower-casing:
//    "reg"/"register" and "unreg"/"unregister" end the scan with that verb;
//    every other option ("-nologo" among them) is passed over;
//  - any other argument is a file name. A name whose file part ends in ".kis"
//    (any letter case) is a settings file to load, and the scan goes on;
//  - the first other name is the image file to open, and ends the scan: words
//    after it are never read.
struct StartupStep {
    enum class Kind { settingsFile, imageFile, registerTypes, unregisterTypes };
    Kind kind;
    std::string text;  // the file name
};

// Empty or blank arguments are skipped (a shell passes "" through).
[[nodiscard]] std::vector<StartupStep> ScanStartupCommandLine(const std::vector<std::string>& arguments);

// True when "-nologo" (exact case) is one of the arguments, wherever it stands.
[[nodiscard]] bool WantsNoLogo(const std::vector<std::string>& arguments);

}  // namespace kyp
