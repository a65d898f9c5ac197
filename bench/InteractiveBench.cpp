// The desktop program's loop: after a gamma change, the preview (reduction
// 12) and the full-size image are made again from the cached demosaiced
// images; only the output stage runs. Wall time.
#include <benchmark/benchmark.h>

#include "BenchSampleFile.h"
#include "engine/process/ProcessingSession.h"

namespace kyp {
namespace {

void BM_GammaChange(benchmark::State& state) {
    if (!bench::Sample().ok()) return state.SkipWithError("no sample file");
    const bool preview = state.range(0) != 0;
    state.SetLabel(preview ? "preview, reduction 12" : "full size");
    ProcessingSession session(SessionKind::interactive);
    ImportSettings settings;
    SetDefaults(settings);
    session.SetFileName(bench::Sample().path().c_str());
    session.SetSettings(settings);
    session.SetReduction(12);
    if (session.Process(false) != RunResult::processed || session.Process(true) != RunResult::processed) {
        return state.SkipWithError("first run failed");
    }
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        settings.gammaExponent = flip ? 0.5f : 0.45f;
        session.SetSettings(settings);
        if (session.Process(preview) != RunResult::processed) return state.SkipWithError("rerun failed");
    }
}
BENCHMARK(BM_GammaChange)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->ComputeStatistics("min", bench::Fastest);

}  // namespace
}  // namespace kyp
