#include "engine/process/ProcessingSession.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/process/Histogram.h"
#include "engine/process/Levels.h"
#include "engine/process/TableApply.h"
#include "process/ProcessTestSupport.h"

namespace kyp {
namespace {

using Recorder = test::Recorder;
using test::Samples;

// Points the session at the file with the settings and, when given, the progress.
void Prepare(ProcessingSession& session, const std::string& path, const ImportSettings& settings,
             ProgressCallback* progress = nullptr) {
    if (progress) session.SetProgress(progress);
    session.SetFileName(path.c_str());
    session.SetSettings(settings);
}

// A console run of the file: true when it succeeded.
bool Convert(ProcessingSession& session, const std::string& path, const ImportSettings& settings,
             ProgressCallback* progress = nullptr) {
    Prepare(session, path, settings, progress);
    return session.Process();
}

ImportSettings Only(uint32_t options, uint16_t method = method::best) {
    ImportSettings settings;
    SetDefaults(settings);
    settings.options = options;
    settings.method = method;
    return settings;
}

class ProcessingSessionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { path_ = test::SampleOrfFile("session.orf"); }
    static void TearDownTestSuite() { std::filesystem::remove(path_); }
    static std::string path_;
};
std::string ProcessingSessionTest::path_;

// No file name fails before anything starts; a missing file fails; cancelling
// at the first tick stops before loading. (Later ticks: SessionResults.)
TEST_F(ProcessingSessionTest, CancelAndMissingFile) {
    ProcessingSession session;
    Recorder progress;
    session.SetProgress(&progress);
    EXPECT_FALSE(session.Process());
    EXPECT_EQ(progress.ends, 0);  // nothing started
    session.SetFileName("/nonexistent/P1010001.ORF");
    session.SetSettings(Only(opt::defaults));
    EXPECT_FALSE(session.Process());
    EXPECT_EQ(progress.ends, 1);
    progress.cancelAt = 1;
    session.SetFileName(path_.c_str());
    EXPECT_FALSE(session.Process());
    EXPECT_EQ(progress.ends, 2);
    EXPECT_EQ(session.Raw().samples, nullptr);

}

TEST(ProcessingSessionTexture, DeclinedRepairHoldsOnlyWhileTheSettingsAsk) {
    const std::string path = test::StripedOrfFile("striped.orf");
    ImportSettings asking = Only(opt::tt | opt::asktt);
    ImportSettings repairing = Only(opt::tt);
    std::vector<uint16_t> expected[2];  // unrepaired, repaired
    for (int repaired = 0; repaired < 2; ++repaired) {
        ProcessingSession console;
        ASSERT_TRUE(Convert(console, path, repaired ? repairing : Only(0)));
        expected[repaired] = Samples(console.Image());
    }
    ASSERT_NE(expected[0], expected[1]) << "the sample must show a defect";
    ProcessingSession declined;  // a console run whose question is declined goes on unrepaired
    declined.SetTextureConfirmation([](int32_t, int32_t) { return false; });
    ASSERT_TRUE(Convert(declined, path, asking));
    EXPECT_EQ(Samples(declined.Image()), expected[0]);

    ProcessingSession session(SessionKind::interactive);
    int asked = 0;
    session.SetTextureConfirmation([&](int32_t, int32_t) { return ++asked, false; });
    session.SetReduction(12);
    Prepare(session, path, asking);
    ASSERT_EQ(session.Process(true), RunResult::processed);
    ASSERT_EQ(session.Process(false), RunResult::processed);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(session.TextureDeclined());
    EXPECT_EQ(Samples(session.FullOutput()), expected[0]);
    // No longer asking before the repair: the answer given no longer holds.
    session.SetSettings(repairing);
    ASSERT_EQ(session.Process(false), RunResult::processed);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(session.TextureDeclined());
    EXPECT_EQ(Samples(session.FullOutput()), expected[1]);
    std::filesystem::remove(path);
}

TEST(ProcessingSessionLevels, PreviewFindsItsPointsInTheFullRunsHistogramWhileItsInputIsTheSame) {
    const std::string path = test::StripedOrfFile("dots.orf");
    const ImportSettings full = Only(opt::levels);
    ImportSettings thresholds = full;
    thresholds.darkThreshold = 20;
    thresholds.brightThreshold = 30;
    const struct {
        ImportSettings preview;
        bool follows;  // nothing before the levels changed since the full run
    } cases[] = {{full, true}, {thresholds, true}, {Only(opt::levels | opt::wb), false}};
    for (const auto& c : cases) {
        ProcessingSession session(SessionKind::interactive);
        session.SetReduction(12);
        Prepare(session, path, full);
        ASSERT_EQ(session.Process(false), RunResult::processed);
        session.SetSettings(c.preview);
        ASSERT_EQ(session.Process(true), RunResult::processed);
        EXPECT_EQ(session.PreviewFollowsFullRun(), c.follows);

        // The points come from the full image's histogram or from the reduced image's own.
        ImportSettings before = c.preview;
        before.options &= ~opt::levels;
        ProcessingSession console, reduced;
        ASSERT_TRUE(Convert(console, path, before));
        reduced.SetReduction(12);
        ASSERT_TRUE(Convert(reduced, path, before));
        HistogramRecord histogram{};
        ASSERT_TRUE(ComputeLuminanceHistogram(c.follows ? console.Image() : reduced.Image(), &histogram, nullptr));
        const LevelPoints points = FindLevelPoints(HistogramRecord::kLuminance, histogram,
                                                   c.preview.darkThreshold, c.preview.brightThreshold);
        uint16_t table[1024];
        BuildLevelsTable(table, points.low, points.high);
        std::vector<uint16_t> expected = Samples(reduced.Image());
        ApplyTableToSamples(expected.data(), expected.size(), table);
        EXPECT_EQ(Samples(session.PreviewOutput()), expected) << c.preview.darkThreshold << " " << c.follows;
        // A new full run redoes the preview, which follows it from then on.
        const RunResult fullRun = session.Process(false);
        EXPECT_TRUE(session.PreviewFollowsFullRun());
        EXPECT_EQ(session.Process(true), fullRun == RunResult::processed ? RunResult::processed : RunResult::unchanged);
    }
    std::filesystem::remove(path);
}

TEST_F(ProcessingSessionTest, InteractiveStagesRerunOnlyWhatChanged) {
    ProcessingSession session(SessionKind::interactive);
    Recorder progress;
    session.SetReduction(-12);
    EXPECT_EQ(session.Reduction(), 12);
    ImportSettings settings = Only(opt::defaults);
    Prepare(session, path_, settings, &progress);

    EXPECT_EQ(session.Process(false), RunResult::processed);
    EXPECT_NE(progress.log.find("SLoading "), std::string::npos);
    EXPECT_TRUE(progress.Saw("Luminance/gradient"));
    EXPECT_EQ(progress.begins, 1);
    EXPECT_EQ(progress.ends, 1);
    const auto first = Samples(session.FullOutput());

    // Gamma only: the output stage alone.
    progress = Recorder();
    settings.gammaExponent = 0.6f;
    session.SetSettings(settings);
    EXPECT_EQ(session.Process(false), RunResult::processed);
    EXPECT_EQ(progress.log.find("SLoading "), std::string::npos);
    EXPECT_FALSE(progress.Saw("Luminance/gradient"));
    EXPECT_TRUE(progress.Saw("Gamma ..."));
    EXPECT_NE(Samples(session.FullOutput()), first);

    // Nothing changed.
    progress = Recorder();
    EXPECT_EQ(session.Process(false), RunResult::unchanged);
    EXPECT_EQ(progress.ends, 1);

    // Back to the first gamma: the same output as the first run.
    settings.gammaExponent = 0.45f;
    session.SetSettings(settings);
    EXPECT_EQ(session.Process(false), RunResult::processed);
    EXPECT_EQ(Samples(session.FullOutput()), first);

    // A raw-stage setting redoes everything.
    progress = Recorder();
    settings.options &= ~opt::wb;
    session.SetSettings(settings);
    EXPECT_EQ(session.Process(false), RunResult::processed);
    EXPECT_NE(progress.log.find("SLoading "), std::string::npos);
    EXPECT_TRUE(progress.Saw("Luminance/gradient"));

    // The preview runs at the reduction factor.
    EXPECT_EQ(session.Process(true), RunResult::processed);
    EXPECT_EQ(session.PreviewOutput().width, 256u / 12);
    EXPECT_EQ(session.Process(true), RunResult::unchanged);
}

TEST_F(ProcessingSessionTest, InteractiveMatchesConsoleAndRecoversFromCancel) {
    ImportSettings settings = Only(opt::defaults | opt::balance | opt::usm);
    ProcessingSession console;
    ASSERT_TRUE(Convert(console, path_, settings));

    ProcessingSession session(SessionKind::interactive);
    Recorder progress;
    Prepare(session, path_, settings, &progress);
    progress.cancelAt = 6;
    EXPECT_EQ(session.Process(false), RunResult::cancelled);
    EXPECT_EQ(progress.ends, 1);
    progress.cancelAt = 0;
    EXPECT_EQ(session.Process(false), RunResult::processed);
    EXPECT_EQ(Samples(session.FullOutput()), Samples(console.Image()));
    EXPECT_EQ(session.LevelsResults()[1] > session.LevelsResults()[0], true);
}

TEST_F(ProcessingSessionTest, DerivedRegionReusesTheParentsLevelsAndMatchesItsOutput) {
    const ImportSettings settings = Only(opt::defaults | opt::balance);
    ProcessingSession parent(SessionKind::interactive);
    Prepare(parent, path_, settings);
    ASSERT_EQ(parent.Process(false), RunResult::processed);

    ProcessingSession region(SessionKind::interactive);
    ASSERT_TRUE(region.DeriveRegion(parent, 200, 20, 140, 140));
    EXPECT_TRUE(region.Derived());
    const ProcessedImage& full = parent.FullImage();
    EXPECT_EQ(region.FullImage().width, full.width - 200);  // cut at the right edge
    EXPECT_EQ(region.FullImage().height, 140u);
    EXPECT_EQ(region.Process(true), RunResult::failed);  // no preview for a derived session
    region.SetSettings(settings);
    ASSERT_EQ(region.Process(false), RunResult::processed);

    // Every step here works pixel by pixel with the parent's levels and balance
    // values, so the region is the same rectangle of the parent's output.
    const ProcessedImage& out = parent.FullOutput();
    const ProcessedImage& piece = region.FullOutput();
    for (uint32_t y = 0; y < piece.height; ++y) {
        for (uint32_t x = 0; x < piece.width * 3; ++x) {
            ASSERT_EQ(piece.samples[size_t{y} * piece.width * 3 + x],
                      out.samples[(size_t{y + 20} * out.width + 200) * 3 + x])
                << x << "," << y;
        }
    }
}

TEST_F(ProcessingSessionTest, CameraRatiosComeFromTheMakerNote) {
    ProcessingSession session(SessionKind::interactive);
    uint32_t r = 0, g = 0, b = 0;
    int mode = -1;
    EXPECT_FALSE(session.GetCameraRatios(r, g, b, mode));
    Prepare(session, path_, Only(opt::defaults));
    ASSERT_EQ(session.Process(false), RunResult::processed);
    ASSERT_TRUE(session.GetCameraRatios(r, g, b, mode));
    const SampleOrfOptions defaults;
    EXPECT_EQ(r, uint32_t{defaults.redBalance} << 16 | 256);
    EXPECT_EQ(g, 0x00010001u);
    EXPECT_EQ(b, uint32_t{defaults.blueBalance} << 16 | 256);
    EXPECT_EQ(mode, 5);  // (2, 5): 4500K
}

TEST(ProcessingSessionSettings, ScaleDivisorZeroIsOneAndTextureThresholdIsClamped) {
    ProcessingSession session;
    ImportSettings settings = Only(opt::scale);
    settings.redScale = 0x00050000;
    settings.textureThreshold = 5000;
    session.SetSettings(settings);
    EXPECT_EQ(session.Settings().redScale, 0x00010001u);
    EXPECT_EQ(session.Settings().textureThreshold, 1023);
    settings.textureThreshold = -4;
    session.SetSettings(settings);
    EXPECT_EQ(session.Settings().textureThreshold, 0);
}

}  // namespace
}  // namespace kyp
