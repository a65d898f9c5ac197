#pragma once
// Files and folders for the tests: a scratch folder removed with its contents,
// whole-file reads and writes, a scoped environment variable, and running the
// peer tools (exiftool, libtiff, netpbm, dcraw, djpeg).
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kyp::test {

// A fresh folder under $KYP_TEST_TMP (or the system temp folder).
class TestFolder {
public:
    TestFolder() {
        const char* base = std::getenv("KYP_TEST_TMP");
        const std::filesystem::path root = base && *base ? base : std::filesystem::temp_directory_path();
        std::filesystem::create_directories(root);
        std::string pattern = (root / "kyp-test-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TestFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    [[nodiscard]] const std::string& path() const { return path_; }
    [[nodiscard]] std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    // Writes bytes as the file name in the folder and gives its path.
    std::string Write(const std::string& name, std::string_view bytes = {}) const {
        std::ofstream(*this / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return *this / name;
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        return Write(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    // The names in the folder, sorted.
    [[nodiscard]] std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_)) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    const std::string text = ReadFile(path);
    return {text.begin(), text.end()};
}

// Sets (or, with null, removes) an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) saved_ = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { saved_ ? ::setenv(name_, saved_->c_str(), 1) : ::unsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> saved_;
};

// Points the settings store at a folder.
struct ScopedConfigHome : ScopedEnv {
    explicit ScopedConfigHome(const std::string& folder) : ScopedEnv("KYP_CONFIG_HOME", folder.c_str()) {}
};

// Runs a shell command: its standard output, and its exit status (-1 when it
// did not exit normally).
inline std::string RunCommand(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        if (status) *status = -1;
        return out;
    }
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int raw = ::pclose(pipe);
    if (status) *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

inline bool HasTool(const std::string& name) {
    int status = 0;
    (void)RunCommand("command -v '" + name + "' >/dev/null 2>&1", &status);
    return status == 0;
}

// What libtiff's tiffinfo said when it failed on one of the files or reported
// an error; empty when it read them all (warnings, such as on Exif tags carried
// with a damaged type, are allowed) or when there are none.
inline std::string TiffInfoErrors(const std::vector<std::string>& paths) {
    if (paths.empty()) return {};
    std::string command = "tiffinfo";
    for (const std::string& path : paths) command += " '" + path + "'";
    int status = -1;
    const std::string said = RunCommand(command + " 2>&1 >/dev/null", &status);
    if (status == 0 && said.find("rror") == std::string::npos) return {};
    return said.empty() ? "tiffinfo exit status " + std::to_string(status) : said;
}

}  // namespace kyp::test
