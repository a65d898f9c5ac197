#pragma once
#include <string>

#include "console/ConsoleCurves.h"
#include "engine/settings/ImportSettings.h"
#include "engine/settings/OutputSettings.h"

namespace kyp {

// Exit codes of kyp2tiff. The process status of usage is 255 (POSIX keeps
// the low 8 bits of -1).
namespace exitcode {
inline constexpr int ok = 0;
inline constexpr int argumentError = 1;  // a load, bit depth or output folder error
inline constexpr int fileFailed = 2;     // an input file could not be processed or written
inline constexpr int usage = -1;
}  // namespace exitcode

// Verbosity levels: 2 step texts and spinner, 1 "Processing"/"Saving" lines,
// 0 error lines only.
namespace verbosity {
inline constexpr int quiet = 0;
inline constexpr int brief = 1;
inline constexpr int full = 2;
}  // namespace verbosity

// Everything the command line builds up while it is read from left to right.
// One object per run: nothing is kept between runs.
struct ConsoleState {
    ConsoleState();

    ImportSettings settings{};
    OutputSettings output;
    ConsoleCurves curves;
    std::string outputFolder;  // empty: outputs beside their inputs
    int verbosity = verbosity::full;
    bool printOnly = false;
    bool pause = false;
    bool fileHandled = false;  // a file was handled since the last option
    bool fileFailed = false;   // some input could not be processed or written
    bool depthAsked = false;   // -b:16 was given (for the one warning when the format has 8 bits only)
    bool depthWarned = false;
};

}  // namespace kyp
