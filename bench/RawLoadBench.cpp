// The raw load of a generated 2256 × 1684 ORF file (ORF file test, open,
// parse, extraction, unpack into a reused block), beside the cost of touching
// each page of the same file once through a fresh mapping.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/raw/OrfRaw.h"
#include "engine/raw/RawLoad.h"
#include "engine/raw/TiffDocument.h"
#include "tools/sample-orf/SampleOrf.h"

namespace {

const std::string& SamplePath() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        std::string p = std::string(dir && *dir ? dir : "/tmp") + "/kyp-rawload-bench-" + std::to_string(::getpid()) + ".orf";
        if (!kyp::WriteSampleOrf(p)) std::abort();
        std::atexit([] { std::remove(SamplePath().c_str()); });
        return p;
    }();
    return path;
}

void BM_RawLoad(benchmark::State& state) {
    kyp::TiffDocument document;
    kyp::RawSampleBlock block;
    kyp::RawMosaic mosaic;
    kyp::CameraSettings camera;
    for (auto _ : state) {
        if (!kyp::loadRawMosaic(SamplePath(), document, block, mosaic, camera)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(mosaic.samples);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * mosaic.width * mosaic.height * 2);
}
BENCHMARK(BM_RawLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

// Baseline: map the file and read one byte of every page.
void BM_TouchPages(benchmark::State& state) {
    const long page = ::sysconf(_SC_PAGESIZE);
    for (auto _ : state) {
        const int fd = ::open(SamplePath().c_str(), O_RDONLY);
        struct stat info {};
        ::fstat(fd, &info);
        const size_t size = static_cast<size_t>(info.st_size);
        void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        ::close(fd);
        const volatile uint8_t* bytes = static_cast<const uint8_t*>(map);
        unsigned sum = 0;
        for (size_t i = 0; i < size; i += static_cast<size_t>(page)) sum += bytes[i];
        benchmark::DoNotOptimize(sum);
        ::munmap(map, size);
    }
}
BENCHMARK(BM_TouchPages)->Unit(benchmark::kMillisecond)->UseRealTime();

// The conversion alone, from bytes already in memory.
void BM_Unpack(benchmark::State& state) {
    std::vector<uint8_t> source(2256 * 1684 * 2, 0x5A);
    std::vector<uint16_t> out(2256 * 1684);
    for (auto _ : state) {
        kyp::unpack(out.data(), source.data(), out.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(source.size()));
}
BENCHMARK(BM_Unpack)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
