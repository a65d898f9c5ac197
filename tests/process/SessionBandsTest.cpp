// A console run takes the colour matrix with the levels count, and levels,
// saturation and gamma together, in banded passes; it must leave every sample,
// progress text and tick (and every cancelling tick's outcome) as separate
// whole-image passes do.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/process/ProcessingSession.h"
#include "process/ProcessTestSupport.h"

namespace kyp {
namespace {

struct Outcome {
    bool ok = false;
    std::string log;
    std::vector<uint16_t> samples;
};

Outcome Convert(const std::string& path, uint32_t options, bool inBands, int cancelAt = 0,
                uint16_t method = method::best) {
    ProcessingSession session;
    session.SetStepsInBands(inBands);
    test::Recorder progress(cancelAt);
    session.SetProgress(&progress);
    session.SetFileName(path.c_str());
    ImportSettings settings;
    SetDefaults(settings);
    settings.options = options;
    settings.method = method;
    settings.saturation = 1.7f;
    session.SetSettings(settings);
    Outcome run;
    run.ok = session.Process();
    run.log = progress.log;
    const ProcessedImage& image = session.Image();
    if (run.ok && image.samples) run.samples.assign(image.samples, image.samples + image.sampleCount());
    return run;
}

TEST(SessionBands, SameSamplesTextsTicksAndCancelsAsSeparatePasses) {
    // 242 x 182 pixels out: several ticks per pass and a partial block at the end.
    const std::string path = test::SampleOrfFile("bands.orf", 250, 190);
    const uint32_t steps[] = {
        opt::defaults,
        opt::defaults & ~opt::matrix,
        opt::defaults & ~opt::levels,
        opt::defaults & ~opt::sat,
        (opt::defaults & ~opt::levels) | opt::rgblevels,
        opt::defaults | opt::curves | opt::balance,
        opt::defaults | opt::usm | opt::invert,
        opt::defaults | opt::gray,
        opt::sat | opt::gamma,
        opt::gamma,
    };
    for (const uint32_t options : steps) {
        SCOPED_TRACE(testing::Message() << "options " << std::hex << options);
        const Outcome separate = Convert(path, options, false);
        const Outcome banded = Convert(path, options, true);
        ASSERT_TRUE(separate.ok && banded.ok);
        EXPECT_EQ(banded.log, separate.log);
        EXPECT_TRUE(banded.samples == separate.samples);
        ASSERT_FALSE(separate.samples.empty());
    }
    // A grey image from the grey method: levels and gamma on single samples.
    const Outcome grey = Convert(path, opt::defaults, true, 0, method::grayscale);
    EXPECT_EQ(grey.log, Convert(path, opt::defaults, false, 0, method::grayscale).log);
    EXPECT_TRUE(grey.samples == Convert(path, opt::defaults, false, 0, method::grayscale).samples);
    EXPECT_EQ(grey.samples.size(), 246u * 186u);  // one sample a pixel, border 2
    // Cancelling at any tick of the default run: the same outcome and the same
    // progress up to that tick.
    const std::string whole = Convert(path, opt::defaults, false).log;
    const int ticks = static_cast<int>(std::count(whole.begin(), whole.end(), '#'));
    ASSERT_GT(ticks, 20);
    for (int cancelAt = 1; cancelAt <= ticks; ++cancelAt) {
        const Outcome separate = Convert(path, opt::defaults, false, cancelAt);
        const Outcome banded = Convert(path, opt::defaults, true, cancelAt);
        EXPECT_FALSE(banded.ok);
        EXPECT_EQ(banded.log, separate.log) << "cancelled at tick " << cancelAt;
    }
    std::filesystem::remove(path);
}

// The desktop program's runs: a preview, a full-size run, then a preview
// that follows it (its levels from the full-size run's count), and a region
// derived from the full-size run (its levels from the parent's points).
TEST(SessionBands, InteractiveRunsAsSeparatePasses) {
    const std::string path = test::SampleOrfFile("bands-interactive.orf", 250, 190);
    auto runs = [&](bool inBands, uint32_t options) {
        ProcessingSession session(SessionKind::interactive);
        session.SetStepsInBands(inBands);
        test::Recorder progress;
        session.SetProgress(&progress);
        session.SetFileName(path.c_str());
        ImportSettings settings;
        SetDefaults(settings);
        settings.options = options;
        session.SetSettings(settings);
        session.SetReduction(3);
        std::vector<uint16_t> out;
        for (const bool preview : {true, false, true}) {
            const RunResult result = session.Process(preview);
            EXPECT_TRUE(result == RunResult::processed || result == RunResult::unchanged);
            const ProcessedImage& image = preview ? session.PreviewOutput() : session.FullOutput();
            out.insert(out.end(), image.samples, image.samples + image.sampleCount());
        }
        ProcessingSession region(SessionKind::interactive);
        region.SetStepsInBands(inBands);
        EXPECT_TRUE(region.DeriveRegion(session, 30, 20, 100, 70));
        region.SetSettings(settings);
        EXPECT_EQ(region.Process(false), RunResult::processed);
        const ProcessedImage& part = region.FullOutput();
        out.insert(out.end(), part.samples, part.samples + part.sampleCount());
        return std::make_pair(progress.log, out);
    };
    for (const uint32_t options : {opt::defaults, opt::defaults | opt::rgblevels | opt::curves, opt::sat | opt::gamma,
                                   opt::defaults | opt::hflip | opt::balance, uint32_t{0}}) {
        const auto separate = runs(false, options);
        const auto banded = runs(true, options);
        EXPECT_EQ(banded.first, separate.first);
        EXPECT_TRUE(banded.second == separate.second);
    }
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace kyp
