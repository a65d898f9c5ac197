#pragma once

namespace kyp {

// Runs kyp2tiff over its argument vector and returns the process exit code.
int RunKyp2Tiff(int argc, char** argv);

}  // namespace kyp
