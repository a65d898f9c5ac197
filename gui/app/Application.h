#pragma once

namespace kyp {

// The desktop program: start-up (command line, registration verbs, splash),
// the main frame and the event loop. Returns the program's exit code.
int RunKyp(int argc, char** argv);

}  // namespace kyp
