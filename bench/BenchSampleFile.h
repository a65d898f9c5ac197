#pragma once
// The generated 2256 x 1684 ORF that the pipeline benchmarks convert: written
// once per run of the benchmarks into the temporary folder, removed at exit.
// And a statistic for benchmarks repeated on a busy machine.
#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/sample-orf/SampleOrf.h"

namespace kyp::bench {

class SampleFile {
public:
    SampleFile() {
        path_ = (std::filesystem::temp_directory_path() / ("kyp-bench-" + std::to_string(getpid()) + ".orf")).string();
        ok_ = sample::WriteSampleOrf(path_, sample::SampleOrfOptions{});
    }
    ~SampleFile() { std::remove(path_.c_str()); }
    SampleFile(const SampleFile&) = delete;
    SampleFile& operator=(const SampleFile&) = delete;
    [[nodiscard]] const std::string& path() const { return path_; }
    [[nodiscard]] bool ok() const { return ok_; }

private:
    std::string path_;
    bool ok_ = false;
};

// The fastest of the repetitions (--benchmark_repetitions=N): on a shared
// machine the other statistics mostly measure the neighbours.
inline double Fastest(const std::vector<double>& values) {
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

inline const SampleFile& Sample() {
    static const SampleFile file;
    return file;
}

}  // namespace kyp::bench
