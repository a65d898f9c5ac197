#include "console/CommandLine.h"

int main(int argc, char** argv) {
    return kyp::RunKyp2Tiff(argc, argv);
}
