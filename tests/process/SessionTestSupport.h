#pragma once
// Generated ORF files for the session tests, in $KYP_TEST_TMP (or the system
// temp folder), named after the process so parallel runs do not meet.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/process/ProcessedImage.h"
#include "engine/core/ProgressCallback.h"
#include "tools/sample-orf/SampleOrf.h"

namespace kyp::test {

inline std::string SessionTempPath(const std::string& name) {
    const char* base = std::getenv("KYP_TEST_TMP");
    const std::filesystem::path folder = base ? base : std::filesystem::temp_directory_path().string();
    std::filesystem::create_directories(folder);
    return (folder / (std::to_string(getpid()) + "-" + name)).string();
}

// The generator's scene at the given size, with a 64-pixel preview.
inline std::string SampleOrfFile(const std::string& name, uint32_t width = 256, uint32_t height = 192) {
    const std::string path = SessionTempPath(name);
    sample::SampleOrfOptions options;
    options.width = width;
    options.height = height;
    options.previewWidth = 64;
    EXPECT_TRUE(sample::WriteSampleOrf(path, options));
    return path;
}

// A scene whose odd rows are greener than its even rows: the mosaic shows a
// texture defect. Scattered white and black dots decide the levels points of
// the full image but vanish when it is reduced by averaging.
inline std::string StripedOrfFile(const std::string& name, uint32_t width = 252, uint32_t height = 192) {
    const std::string path = SessionTempPath(name);
    EXPECT_TRUE(sample::WriteStripedOrf(path, width, height));
    return path;
}

// Writes down every call, in order: "S<text>" for SetText, "#" for a Tick,
// "B" and "E"; answers false at tick number cancelAt (1-based; 0 never).
class CallLog : public ProgressCallback {
public:
    explicit CallLog(int cancelAt = 0) : cancelAt_(cancelAt) {}
    void SetText(const char* text) override { log += std::string("S") + text + "|"; }
    void Begin(int32_t) override { log += "B"; }
    bool Tick(int32_t count) override {
        log += count == 1 ? "#" : "?";
        return ++ticks != cancelAt_;
    }
    void End() override { log += "E"; }
    std::string log;
    int ticks = 0;

private:
    int cancelAt_;
};

inline std::vector<uint16_t> Samples(const ProcessedImage& image) {
    return image.samples ? std::vector<uint16_t>(image.samples, image.samples + image.sampleCount())
                         : std::vector<uint16_t>{};
}

}  // namespace kyp::test
