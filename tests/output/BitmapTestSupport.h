#pragma once
// Helpers shared by the output writers' tests: a scratch folder, whole-file
// reads, little-endian field reads, a recording progress callback and running
// peer tools.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "engine/process/ProgressCallback.h"

namespace kyp::testing {

class TempFolder {
public:
    TempFolder() {
        const char* root = std::getenv("KYP_TEST_TMP");
        const std::string base = root && *root ? root : "/tmp";
        ::mkdir(base.c_str(), 0777);
        std::string pattern = base + "/output-XXXXXX";
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempFolder() {
        for (const std::string& name : names()) ::unlink((path_ + "/" + name).c_str());
        ::rmdir(path_.c_str());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    [[nodiscard]] const std::string& path() const { return path_; }
    [[nodiscard]] std::string file(const std::string& name) const { return path_ + "/" + name; }
    [[nodiscard]] std::vector<std::string> names() const {
        std::vector<std::string> out;
        if (DIR* d = ::opendir(path_.c_str())) {
            while (dirent* e = ::readdir(d)) {
                const std::string n = e->d_name;
                if (n != "." && n != "..") out.push_back(n);
            }
            ::closedir(d);
        }
        return out;
    }

private:
    std::string path_;
};

inline std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline uint32_t Le16(const std::vector<uint8_t>& b, size_t at) {
    return at + 2 <= b.size() ? uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 : 0xFFFFFFFFu;
}
inline uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return at + 4 <= b.size() ? Le16(b, at) | Le16(b, at + 2) << 16 : 0xFFFFFFFFu;
}

// Records every call so tests can check the order and counts.
class RecordingProgress : public ProgressCallback {
public:
    void SetText(const char* text) override { calls.push_back(std::string("text:") + text); }
    void Begin(int32_t count) override { calls.push_back("begin:" + std::to_string(count)); }
    bool Tick(int32_t count) override {
        ++ticks;
        tickTotal += count;
        return cancelAfter < 0 || ticks <= cancelAfter;
    }
    void End() override { calls.push_back("end"); }

    std::vector<std::string> calls;
    int ticks = 0;
    int tickTotal = 0;
    int cancelAfter = -1;  // the tick after this many returns false
};

// The path of an installed program, or empty.
inline std::string FindTool(const std::string& name) {
    const char* pathEnv = std::getenv("PATH");
    std::string paths = pathEnv ? pathEnv : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= paths.size()) {
        const size_t end = paths.find(':', start);
        const std::string dir = paths.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return {};
}

// Runs a shell command; returns its standard output and sets status to its exit status.
inline std::string RunCommand(const std::string& command, int& status) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        status = -1;
        return out;
    }
    char buffer[65536];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int raw = ::pclose(pipe);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

// Parses a binary PNM (P5 grey or P6 colour; one byte per sample below maxval
// 256, else two bytes big-endian) into its samples.
inline bool ParsePnm(const std::string& data, int& width, int& height, int& channels, int& maxval,
                     std::vector<uint16_t>& samples) {
    size_t pos = 0;
    auto token = [&]() {
        while (pos < data.size()) {
            if (data[pos] == '#') {
                while (pos < data.size() && data[pos] != '\n') ++pos;
            } else if (std::isspace(static_cast<unsigned char>(data[pos]))) {
                ++pos;
            } else {
                break;
            }
        }
        const size_t start = pos;
        while (pos < data.size() && !std::isspace(static_cast<unsigned char>(data[pos]))) ++pos;
        return data.substr(start, pos - start);
    };
    const std::string magic = token();
    if (magic != "P5" && magic != "P6") return false;
    channels = magic == "P5" ? 1 : 3;
    width = std::atoi(token().c_str());
    height = std::atoi(token().c_str());
    maxval = std::atoi(token().c_str());
    if (width <= 0 || height <= 0 || maxval <= 0 || maxval > 65535) return false;
    ++pos;  // the single whitespace byte after maxval
    const size_t count = static_cast<size_t>(width) * height * channels;
    const size_t bytes = maxval > 255 ? 2 : 1;
    if (data.size() < pos + count * bytes) return false;
    samples.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const auto* p = reinterpret_cast<const uint8_t*>(data.data() + pos + i * bytes);
        samples[i] = bytes == 2 ? static_cast<uint16_t>(p[0] << 8 | p[1]) : p[0];
    }
    return true;
}

}  // namespace kyp::testing
