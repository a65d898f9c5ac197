#include "console/CommandLine.h"

namespace kyp {

// Placeholder until the command line is written.
int RunKyp2Tiff(int, char**) { return 255; }

}  // namespace kyp
