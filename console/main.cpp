#include "console/CommandLine.h"

int main(int argc, char** argv) {
    // Usage ends with -1, which the process status shows as 255.
    return kyp::RunKyp2Tiff(argc, argv);
}
