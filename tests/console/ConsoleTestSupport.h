#pragma once
#include <string>
#include <vector>

#include "console/CommandLine.h"
#include "platform/TestFolder.h"

namespace kyp::test {

struct RunOutput {
    int code = 0;
    std::string out;
    std::string err;
    int keyWaits = 0;
};

// Runs the command line with "kyp2tiff" (or program) as argument zero.
inline RunOutput Run(std::vector<std::string> arguments, FileConverter* converter = nullptr,
                     const std::string& program = "kyp2tiff") {
    StringConsoleStream out;
    StringConsoleStream err;
    RunOutput result;
    arguments.insert(arguments.begin(), program);
    const ConsoleEnvironment environment{out, err, converter, [&result] { ++result.keyWaits; }};
    result.code = RunCommandLine(arguments, environment);
    result.out = out.Text();
    result.err = err.Text();
    return result;
}

}  // namespace kyp::test
