#include <clocale>
#include <cstdio>

#include "console/CommandLine.h"
#include "console/KeyWait.h"
#include "console/SessionConverter.h"
#include "platform/AtomicFile.h"

namespace kyp {

int RunKyp2Tiff(int argc, char** argv) {
    // Dates in the Exif data follow the user's locale; numbers on the command
    // line keep the C locale's decimal point.
    std::setlocale(LC_TIME, "");
    // Ctrl-C or a kill in the middle of a write removes the half-written
    // temporary file before the process ends.
    AtomicFile::InstallSignalCleanup();

    FileConsoleStream out(stdout);
    FileConsoleStream err(stderr);
    SessionConverter converter;
    std::vector<std::string> arguments(argv, argv + argc);
    const ConsoleEnvironment environment{out, err, &converter, WaitForKey};
    return RunCommandLine(arguments, environment);
}

}  // namespace kyp
