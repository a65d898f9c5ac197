#include "gui/app/Application.h"

int main(int argc, char** argv) { return kyp::RunKyp(argc, argv); }
