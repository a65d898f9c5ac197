#pragma once
// Mosaics, images, a progress recorder, results as short texts and the files
// they are recorded in, for the processing tests. Mosaics live in vectors of
// exactly width x height samples, so AddressSanitizer sees any read past them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/core/KernelTargets.h"
#include "engine/core/ProgressCallback.h"
#include "engine/process/ProcessedImage.h"
#include "engine/process/demosaic/DemosaicMethod.h"
#include "engine/process/demosaic/DemosaicTiled.h"
#include "engine/raw/RawMosaic.h"
#include "platform/Golden.h"
#include "platform/ThreadPool.h"

namespace kyp::test {

// Writes down every call: "S<text>|" for SetText, "#" for a tick of 1 ("?"
// for another count), "B" and "E"; answers false from tick number cancelAt
// (1-based; 0 never) on.
class Recorder : public ProgressCallback {
public:
    explicit Recorder(int cancelAt = 0) : cancelAt(cancelAt) {}
    void SetText(const char* text) override { log += std::string("S") + text + "|"; }
    void Begin(int32_t) override { log += "B"; }
    bool Tick(int32_t count) override {
        log += count == 1 ? "#" : "?";
        ticks += count;
        return cancelAt == 0 || ticks < cancelAt;
    }
    void End() override { log += "E"; }

    std::string log;
    int ticks = 0;
    int cancelAt;
};

// Generated files in $KYP_TEST_TMP (or the system temp folder), named after
// the process so parallel runs do not meet.
inline std::string SessionTempPath(const std::string& name) {
    const char* base = std::getenv("KYP_TEST_TMP");
    const std::filesystem::path folder = base ? base : std::filesystem::temp_directory_path().string();
    std::filesystem::create_directories(folder);
    return (folder / (std::to_string(getpid()) + "-" + name)).string();
}

// An image record over samples the test owns; by default pixel (x, y) channel c
// holds its own index (y * width + x) * channels + c.
struct TestImage {
    std::vector<uint16_t> samples;
    ProcessedImage image;

    TestImage(uint32_t width, uint32_t height, uint16_t channels, size_t spare = 0)
        : samples(size_t{width} * height * channels + spare) {
        for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint16_t>(i);
        image = {width, height, channels, 16, static_cast<int32_t>(samples.size() * 2), samples.data()};
    }
    TestImage(TestImage&&) = default;
    TestImage& operator=(TestImage&&) = default;

    void Set(const std::vector<uint16_t>& values) { std::copy(values.begin(), values.end(), samples.begin()); }
    // Pseudo-random samples 0..maximum.
    TestImage& Randomise(unsigned seed, int maximum = 1023) {
        std::mt19937 random(seed);
        for (uint16_t& sample : samples) sample = static_cast<uint16_t>(random() % (maximum + 1));
        return *this;
    }
};

// An image record over a vector the test owns, filled with pseudo-random 0..1023.
inline ProcessedImage MakeImage(std::vector<uint16_t>& samples, uint32_t width, uint32_t height,
                                uint16_t channels, uint32_t seed = 1) {
    samples.resize(static_cast<size_t>(width) * height * channels);
    uint32_t state = seed;
    for (auto& s : samples) s = static_cast<uint16_t>(((state = state * 1664525u + 1013904223u) >> 12) % 1024);
    return ProcessedImage{width, height, channels, 16, static_cast<int32_t>(samples.size() * 2), samples.data()};
}

struct TestMosaic {
    std::vector<uint16_t> samples;
    uint32_t width = 0;
    uint32_t height = 0;
    [[nodiscard]] RawMosaic view() const { return {const_cast<uint16_t*>(samples.data()), width, height}; }
    uint16_t& at(uint32_t x, uint32_t y) { return samples[static_cast<size_t>(y) * width + x]; }
};

inline TestMosaic MakeMosaic(uint32_t width, uint32_t height, const std::function<int(uint32_t, uint32_t)>& value) {
    TestMosaic mosaic{std::vector<uint16_t>(static_cast<size_t>(width) * height), width, height};
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) mosaic.at(x, y) = static_cast<uint16_t>(value(x, y));
    return mosaic;
}

// Every red site `red`, every green `green`, every blue `blue`.
inline TestMosaic MakeColourField(uint32_t width, uint32_t height, int red, int green, int blue) {
    const int values[3] = {red, green, blue};
    return MakeMosaic(width, height, [&](uint32_t x, uint32_t y) { return values[SiteColour(x, y)]; });
}

// Colour gradients with noise and hot sites: takes both robust-average paths.
inline TestMosaic MakeScene(uint32_t width, uint32_t height, uint32_t seed) {
    std::mt19937 random(seed);
    return MakeMosaic(width, height, [&](uint32_t x, uint32_t y) {
        if (random() % 61 == 0) return 1023;
        const int base = static_cast<int>((x * (3 + SiteColour(x, y)) + y * 7) % 900);
        return std::clamp(base + static_cast<int>(random() % 81) - 40, 0, 1023);
    });
}

// Full-range noise, hot and dead sites and values above 1023: robust averages
// take every path and the sums reach their extremes.
inline TestMosaic MakeHarsh(uint32_t width, uint32_t height, uint32_t seed) {
    std::mt19937 random(seed);
    return MakeMosaic(width, height, [&](uint32_t, uint32_t) {
        const uint32_t pick = random() % 16;
        if (pick == 0) return 0;
        if (pick == 1) return 1023 + static_cast<int>(random() % 3000);
        return static_cast<int>(random() % 1024);
    });
}

// A ProcessedImage whose block is returned to the heap at scope end.
struct OwnedImage {
    ProcessedImage image;
    OwnedImage() = default;
    OwnedImage(const OwnedImage&) = delete;
    ~OwnedImage() { std::free(image.samples); }
};

// Heap memory functions that count their calls.
struct CountingMemory {
    static inline int allocations = 0;
    static inline int releases = 0;
    static inline bool fail = false;
    static void Reset() { allocations = releases = 0, fail = false; }
    static void* Allocate(size_t bytes) { return fail ? nullptr : (++allocations, std::malloc(bytes)); }
    static void Release(void* block) { ++releases, std::free(block); }
};

// Values as text: all of them when few, runs of equal values as value*count
// when there are few runs, otherwise the count and an FNV-1a digest.
template <typename T>
std::string ValuesText(const T* values, size_t count) {
    size_t runCount = count == 0 ? 0 : 1;
    for (size_t i = 1; i < count && runCount <= 16; ++i) runCount += values[i] != values[i - 1];
    if (runCount > 16) {
        uint32_t hash = 2166136261u;
        const auto* bytes = reinterpret_cast<const unsigned char*>(values);
        for (size_t i = 0; i < count * sizeof(T); ++i) hash = (hash ^ bytes[i]) * 16777619u;
        char digest[9];
        std::snprintf(digest, sizeof digest, "%08x", hash);
        return std::to_string(count) + "#" + digest;
    }
    std::string runs;
    for (size_t i = 0; i < count;) {
        size_t j = i + 1;
        while (j < count && values[j] == values[i]) ++j;
        if (!runs.empty()) runs += ',';
        runs += std::to_string(values[i]);
        if (j - i > 1) runs.append("*").append(std::to_string(j - i));
        i = j;
    }
    return runs.empty() ? "-" : runs;
}
template <typename Container>
std::string ValuesText(const Container& values) {
    return ValuesText(values.data(), values.size());
}

// Header and samples of an image: "width x height x channels / bits bytes: values".
inline std::string ImageText(const ProcessedImage& image) {
    return std::to_string(image.width) + "x" + std::to_string(image.height) + "x" + std::to_string(image.channels) +
           "/" + std::to_string(image.bitsPerSample) + " " + std::to_string(image.byteSize) + ": " +
           (image.samples ? ValuesText(image.samples, image.sampleCount()) : "null");
}

// A progress log with runs of single ticks written #count.
inline std::string LogText(const std::string& log) {
    std::string text;
    for (size_t i = 0; i < log.size();) {
        size_t j = i;
        while (j < log.size() && log[j] == '#') ++j;
        if (j - i > 1) {
            text.append("#").append(std::to_string(j - i));
            i = j;
        } else {
            text += log[i++];
        }
    }
    return text;
}

// Runs make() on every instruction set this processor has, each with 1, 2
// and 3 threads (or those given), and expects the same text from all; returns it.
using ThreadCounts = std::vector<unsigned>;
inline std::string OnEveryVariant(const std::string& name, const std::function<std::string()>& make,
                                  const ThreadCounts& threadCounts = {1, 2, 3}) {
    std::vector<KernelTarget> targets{KernelTarget::baseline};
    if (DetectKernelTarget() != KernelTarget::baseline) targets.push_back(KernelTarget::avx2);
    if (DetectKernelTarget() == KernelTarget::avx512) targets.push_back(KernelTarget::avx512);
    std::string first;
    for (const KernelTarget target : targets) {
        (void)SetKernelTargetLimit(target);
        for (const unsigned threads : threadCounts) {
            ThreadPool::Shared().SetThreadLimit(threads);
            const std::string text = make();
            if (first.empty()) first = text;
            EXPECT_EQ(text, first) << name << " on instruction set " << static_cast<int>(target) << " with "
                                   << threads << " threads";
        }
    }
    ThreadPool::Shared().SetThreadLimit(0);
    (void)SetKernelTargetLimit(KernelTarget::avx512);
    return first;
}

// Results recorded in tests/process/<file>, a line "name<TAB>result" each,
// where every variant must give the same result first.
class RecordedResults : public GoldenFile {
public:
    explicit RecordedResults(const std::string& file) : GoldenFile("process/" + file), file_(file) {}
    // The recorded case names in the file's order, for cases written in their names.
    [[nodiscard]] std::vector<std::string> Cases() const {
        std::vector<std::string> names;
        std::ifstream in(std::string(KYP_SOURCE_DIR) + "/tests/process/" + file_);
        for (std::string line; std::getline(in, line);) {
            const size_t tab = line.find('\t');
            if (!line.empty() && line[0] != '#' && tab != std::string::npos) names.push_back(line.substr(0, tab));
        }
        return names;
    }
    void CheckEveryVariant(const std::string& name, const std::function<std::string()>& make,
                           const ThreadCounts& threadCounts = {1, 2, 3}) {
        Check(name, OnEveryVariant(name, make, threadCounts));
    }
    void CheckEveryVariant(const std::string& name, const std::function<void(std::ostream&)>& write,
                           const ThreadCounts& threadCounts = {1, 2, 3}) {
        CheckEveryVariant(
            name,
            [&] {
                std::ostringstream out;
                write(out);
                return out.str();
            },
            threadCounts);
    }

private:
    std::string file_;
};

// The counts of CountingMemory's allocations and releases.
inline std::string MemoryText() {
    return " a" + std::to_string(CountingMemory::allocations) + " r" + std::to_string(CountingMemory::releases);
}

}  // namespace kyp::test
