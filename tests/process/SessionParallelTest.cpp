// Whole pipelines run alone and on the thread pool: the same image, the same
// progress calls in the same order, and cancellation at the same point.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/process/ProcessingSession.h"
#include "platform/ThreadPool.h"
#include "process/ProcessTestSupport.h"

namespace kyp {
namespace {

using Recorder = test::Recorder;

// A master curve and a red curve, so that curves and raw curves change samples.
struct TestCurves {
    uint16_t master[1024], red[1024];
    CurveTables tables;
    TestCurves() {
        for (int i = 0; i < 1024; ++i) {
            master[i] = static_cast<uint16_t>(i * i / 1023);
            red[i] = static_cast<uint16_t>(1023 - (1023 - i) * (1023 - i) / 1023);
        }
        tables.table[0] = master;
        tables.table[1] = red;
    }
};

struct Outcome {
    bool ok = false;
    std::vector<uint16_t> samples;
    uint32_t width = 0;
    std::string calls;
};

Outcome RunConsole(const std::string& file, const ImportSettings& settings, const CurveTables* curves,
                   unsigned threads, int cancelAt = 0) {
    ThreadPool::Shared().SetThreadLimit(threads);
    ProcessingSession session;
    Recorder log(cancelAt);
    session.SetProgress(&log);
    session.SetFileName(file.c_str());
    session.SetSettings(settings);
    session.SetCurves(curves);
    Outcome outcome;
    outcome.ok = session.Process();
    outcome.samples = test::Samples(session.Image());
    outcome.width = session.Image().width;
    outcome.calls = log.log;
    ThreadPool::Shared().SetThreadLimit(0);
    return outcome;
}

ImportSettings Defaults() {
    ImportSettings settings;
    SetDefaults(settings);
    return settings;
}

// Option sets that between them switch on every step and every method.
std::vector<ImportSettings> OptionSets() {
    std::vector<ImportSettings> sets;
    ImportSettings s = Defaults();
    sets.push_back(s);  // black, texture, wb, fudge, gradient, matrix, levels, saturation, gamma
    s.options |= opt::usm | opt::balance | opt::curves | opt::rawcurves | opt::scale | opt::hflip |
                 (1u << opt::rotShift);
    s.usmRadius = 1.1f;
    s.redScale = 0x00070005;
    sets.push_back(s);
    s.options = (Defaults().options & ~opt::levels) | opt::rgblevels | opt::usm | opt::vflip | opt::invert |
                (2u << opt::rotShift);
    s.usmRadius = 5.0f;
    s.usmAmount = 180;
    s.darkThreshold = 3;
    s.brightThreshold = 5;
    sets.push_back(s);
    for (const uint16_t method : {0, 1, 7}) {
        s = Defaults();
        s.method = method;
        s.options |= opt::gray | opt::usm | (3u << opt::rotShift);
        sets.push_back(s);
    }
    return sets;
}

TEST(SessionParallel, ConsoleRunsGiveTheSameImageAndCallsOnAnyThreadCount) {
    const TestCurves curves;
    // Odd sizes, a moved-back last tile row (2 x 104 + 8 + 5), several tiles.
    const std::string files[] = {test::SampleOrfFile("par-a.orf", 640, 480), test::SampleOrfFile("par-b.orf", 333, 221)};
    for (const std::string& file : files) {
        for (const ImportSettings& settings : OptionSets()) {
            const Outcome alone = RunConsole(file, settings, &curves.tables, 1);
            ASSERT_TRUE(alone.ok);
            for (const unsigned threads : {2u, 3u, 0u}) {
                const Outcome shared = RunConsole(file, settings, &curves.tables, threads);
                EXPECT_TRUE(shared.ok);
                EXPECT_EQ(shared.width, alone.width);
                EXPECT_EQ(shared.calls, alone.calls) << std::hex << settings.options << " threads " << threads;
                EXPECT_TRUE(shared.samples == alone.samples) << std::hex << settings.options << " threads " << threads;
            }
        }
        std::filesystem::remove(file);
    }
}

// Cancelling at any tick stops at that tick, on any thread count, leaving the
// image in the same state.
TEST(SessionParallel, CancellationStopsAtTheSameTick) {
    const TestCurves curves;
    const std::string file = test::SampleOrfFile("par-cancel.orf", 420, 300);
    ImportSettings settings = OptionSets()[1];
    const Outcome whole = RunConsole(file, settings, &curves.tables, 1);
    ASSERT_TRUE(whole.ok);
    const int ticks = static_cast<int>(std::count(whole.calls.begin(), whole.calls.end(), '#'));
    ASSERT_GT(ticks, 40);
    for (int cancelAt = 1; cancelAt <= ticks; cancelAt += 1 + cancelAt / 4) {
        const Outcome alone = RunConsole(file, settings, &curves.tables, 1, cancelAt);
        const Outcome shared = RunConsole(file, settings, &curves.tables, 0, cancelAt);
        EXPECT_FALSE(alone.ok);
        EXPECT_FALSE(shared.ok);
        EXPECT_EQ(std::count(shared.calls.begin(), shared.calls.end(), '#'), cancelAt);
        EXPECT_EQ(shared.calls, alone.calls) << cancelAt;
        EXPECT_EQ(shared.calls.back(), 'E');
        EXPECT_TRUE(shared.samples == alone.samples) << cancelAt;
    }
    std::filesystem::remove(file);
}

}  // namespace
}  // namespace kyp
