// Whole console conversions of a generated 2256 x 1684 ORF on a session kept
// from run to run (as kyp2tiff keeps one for all its files): the default
// settings, and the defaults with one optional step added or another
// demosaic method. Wall time: the steps run on every core.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "BenchSampleFile.h"
#include "engine/output/TiffWriter.h"
#include "engine/process/ProcessingSession.h"

namespace kyp {
namespace {

struct Curves {
    uint16_t master[1024], red[1024];
    CurveTables tables;
    Curves() {
        for (int i = 0; i < 1024; ++i) {
            master[i] = static_cast<uint16_t>(i * i / 1023);
            red[i] = static_cast<uint16_t>(1023 - (1023 - i) * (1023 - i) / 1023);
        }
        tables.table[0] = master;
        tables.table[1] = red;
    }
};

// Variant 0 is the default conversion; every other one adds to it.
ImportSettings Variant(int64_t variant, const char*& name) {
    ImportSettings s;
    SetDefaults(s);
    switch (variant) {
        case 0: name = "defaults"; break;
        case 1: name = "+usm radius 1.1"; s.options |= opt::usm; s.usmRadius = 1.1f; break;
        case 2: name = "+usm radius 5"; s.options |= opt::usm; s.usmRadius = 5.0f; break;
        case 3: name = "+colour balance"; s.options |= opt::balance; break;
        case 4: name = "+rotate 90"; s.options |= 1u << opt::rotShift; break;
        case 5: name = "+curves"; s.options |= opt::curves; break;
        case 6: name = "+raw curves"; s.options |= opt::rawcurves; break;
        case 7: name = "+flip both"; s.options |= opt::hflip | opt::vflip; break;
        case 8: name = "+channel levels"; s.options = (s.options & ~opt::levels) | opt::rgblevels; break;
        case 9: name = "+grayscale +invert"; s.options |= opt::gray | opt::invert; break;
        case 10: name = "method raw"; s.method = method::raw; break;
        case 11: name = "method bilinear"; s.method = method::bilinear; break;
        case 12: name = "method grayscale"; s.method = method::grayscale; break;
        default: name = "?"; break;
    }
    return s;
}

void BM_Convert(benchmark::State& state) {
    if (!bench::Sample().ok()) return state.SkipWithError("no sample file");
    const char* name = "";
    const ImportSettings settings = Variant(state.range(0), name);
    state.SetLabel(name);
    static const Curves curves;
    ProcessingSession session;
    for (auto _ : state) {
        session.SetFileName(bench::Sample().path().c_str());
        session.SetSettings(settings);
        session.SetCurves(&curves.tables);
        if (!session.Process()) return state.SkipWithError("conversion failed");
        benchmark::DoNotOptimize(session.Image().samples);
    }
}
BENCHMARK(BM_Convert)
    ->DenseRange(0, 12)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->ComputeStatistics("min", bench::Fastest);

// The default conversion and a 16-bit TIFF of it, in a fresh session each
// time (fresh image blocks, as in a kyp2tiff process).
void BM_ConvertToTiff16(benchmark::State& state) {
    if (!bench::Sample().ok()) return state.SkipWithError("no sample file");
    const std::string out = bench::Sample().path() + ".tif";
    ImportSettings settings;
    SetDefaults(settings);
    OutputSettings output;
    output.t16 = true;
    for (auto _ : state) {
        ProcessingSession session;
        session.SetFileName(bench::Sample().path().c_str());
        session.SetSettings(settings);
        if (!session.Process()) return state.SkipWithError("conversion failed");
        if (!writeTiff(out, session.InputDocument(), session.Image(), session.Settings(), output)) {
            return state.SkipWithError("write failed");
        }
    }
    std::remove(out.c_str());
}
BENCHMARK(BM_ConvertToTiff16)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->ComputeStatistics("min", bench::Fastest);

}  // namespace
}  // namespace kyp
