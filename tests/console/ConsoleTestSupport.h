#pragma once
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "console/CommandLine.h"

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

// A fresh folder under the build's test folder, removed at the end.
class TempFolder {
public:
    TempFolder() {
        const char* base = std::getenv("KYP_TEST_TMP");
        std::filesystem::path root = base ? base : std::filesystem::temp_directory_path().string();
        std::filesystem::create_directories(root);
        std::string pattern = (root / "console-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    [[nodiscard]] const std::string& Path() const { return path_; }
    [[nodiscard]] std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    void Touch(const std::string& name, const std::string& contents = "x") const {
        std::ofstream(path_ + "/" + name, std::ios::binary) << contents;
    }

private:
    std::string path_;
};

}  // namespace kyp::test
