#pragma once
// The generated 2256 x 1684 ORF that the pipeline benchmarks convert: written
// once per run of the benchmarks into the temporary folder, removed at exit.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

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

inline const SampleFile& Sample() {
    static const SampleFile file;
    return file;
}

}  // namespace kyp::bench
