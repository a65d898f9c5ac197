// Fuzzes the kyp2tiff command line: the input is split at zero bytes into an
// argument vector, which runs in print-only mode (nothing is read from the
// input files or written) inside a scratch folder holding a few ORF names, a
// folder, a settings file and a curve file. Output goes to string streams.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "console/CommandLine.h"
#include "console/ConsoleStream.h"

namespace {

constexpr size_t kMaxArguments = 256;

std::string& ScratchFolder() {
    static std::string folder;
    return folder;
}

void RemoveScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(ScratchFolder(), ignored);
}

// Counts the output instead of keeping it (a pattern such as "/usr/lib/*"
// repeated many times would otherwise collect a report per match in memory).
class CountingStream final : public kyp::ConsoleStream {
public:
    void Write(std::string_view text) override { size_ += text.size(); }
    [[nodiscard]] size_t Size() const { return size_; }

private:
    size_t size_ = 0;
};

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

bool PrepareScratchFolder() {
    char pattern[] = "/tmp/fuzz_command_line-XXXXXX";
    const char* folder = mkdtemp(pattern);
    if (folder == nullptr) return false;
    ScratchFolder() = folder;
    std::atexit(RemoveScratchFolder);
    if (chdir(folder) != 0) return false;
    // The settings store of -c is looked up here too (and not found).
    setenv("KYP_CONFIG_HOME", folder, 1);
    WriteFile("P1010001.ORF", "II*");
    WriteFile("p1010002.orf", "II*");
    WriteFile("notes.txt", "x");
    mkdir("photos.v2", 0755);
    mkdir("out", 0755);
    WriteFile("photos.v2/P100", "x");
    WriteFile("look.kis",
              "<KypImport version=1>\n<Options=\"(curves|levels) gamma=1.8 m=7\">\n"
              "<Curve_RGB=\"3:0,0 128,160 255,255\"><fmt=2><jq=80><Artist=\"A\">\n");
    // Photoshop curve file: version 1, two curves of two points (y, x).
    const unsigned char acv[] = {0, 1, 0, 2, 0, 2, 0, 0, 0, 0, 0, 255, 0, 255, 0, 2, 0, 20, 0, 0, 0, 240, 0, 255};
    WriteFile("tone.acv", std::string(reinterpret_cast<const char*>(acv), sizeof acv));
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = PrepareScratchFolder();
    if (!ready) return 0;

    // First byte: odd starts the program as "@kyp2tiff" (pause mode).
    std::vector<std::string> arguments;
    arguments.emplace_back(size > 0 && (data[0] & 1) ? "@kyp2tiff" : "kyp2tiff");
    arguments.emplace_back("-p");  // cannot be switched off again
    std::string current;
    for (size_t i = size > 0 ? 1 : 0; i < size && arguments.size() < kMaxArguments; ++i) {
        if (data[i] == 0) {
            arguments.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    if (!current.empty() && arguments.size() < kMaxArguments) arguments.push_back(current);

    CountingStream out;
    CountingStream err;
    int waits = 0;
    const kyp::ConsoleEnvironment environment{out, err, nullptr, [&waits] { ++waits; }};
    const int code = kyp::RunCommandLine(arguments, environment);
    if (code != 0 && code != 1 && code != -1) __builtin_trap();  // print-only never fails a file
    if (waits != ((arguments[0][0] == '@') ? 1 : 0)) __builtin_trap();
    return 0;
}
