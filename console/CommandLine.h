#pragma once
#include <functional>
#include <string>
#include <vector>

#include "console/BatchLoop.h"
#include "console/ConsoleStream.h"

namespace kyp {

// What a run of kyp2tiff talks to. The program passes its standard streams,
// the session-backed converter and the console key wait; tests and the fuzz
// target pass string streams and their own converter (or none: without a
// converter every conversion fails, which print-only runs never reach).
struct ConsoleEnvironment {
    ConsoleStream& out;
    ConsoleStream& err;
    FileConverter* converter = nullptr;
    std::function<void()> waitForKey;  // pause mode; may be empty
};

// Reads the argument vector (argument zero is the program's path) from left
// to right, converting each input file with the settings in force when it is
// reached, and returns the exit code: 0, 1 (argument error), 2 (an input
// could not be processed or written) or -1 (usage). Keeps no state between
// calls and never ends the process.
[[nodiscard]] int RunCommandLine(const std::vector<std::string>& arguments, const ConsoleEnvironment& environment);

// The program: standard streams, signal cleanup, the real converter.
[[nodiscard]] int RunKyp2Tiff(int argc, char** argv);

}  // namespace kyp
