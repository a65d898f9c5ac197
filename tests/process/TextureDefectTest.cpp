#include "engine/process/TextureDefect.h"

#include <gtest/gtest.h>

#include <random>

#include "process/ProcessTestSupport.h"

namespace kyp {
namespace {

using test::Recorder;

using test::TestMosaic;

// A mosaic whose greens on even (red) rows read `evenGreen`, on odd (blue) rows
// `oddGreen`, red and blue sites 500.
TestMosaic Greens(uint32_t width, uint32_t height, uint16_t evenGreen, uint16_t oddGreen) {
    return test::MakeMosaic(width, height, [&](uint32_t x, uint32_t y) {
        return SiteColour(x, y) != 1 ? 500 : (y % 2 == 0 ? evenGreen : oddGreen);
    });
}

ImportSettings Settings(uint32_t options, int32_t threshold) {
    ImportSettings settings;
    settings.options = options;
    settings.textureThreshold = threshold;
    return settings;
}

// The correction's row loop is a branch-free form of the estimate; on random data
// (in range and full 16-bit) both must agree at every site, border untouched.
TEST(TextureDefect, CorrectionUsesTheEstimateAtEverySite) {
    for (int maximum : {1023, 65535}) {
        for (int phase : {0, 1}) {
            TestMosaic test = Greens(41, 26, 0, 0);
            std::mt19937 random(static_cast<unsigned>(maximum + phase));
            for (uint16_t& sample : test.samples) sample = static_cast<uint16_t>(random() % (maximum + 1));
            for (uint32_t x = 0; x < 12; ++x) {  // nearly flat neighbourhoods: midpoint 0
                test.at(x, 4) = test.at(x, 9) = 1;
                test.at(x, 6) = test.at(x, 11) = static_cast<uint16_t>(x < 6 ? 0 : 1 + x % 2);
            }
            const std::vector<uint16_t> original = test.samples;
            ASSERT_EQ(CorrectTextureDefect(test.view(), phase, nullptr), texture::kRepaired);
            for (uint32_t y = 0; y < 26; ++y)
                for (uint32_t x = 0; x < 41; ++x) {
                    const size_t i = size_t{y} * 41 + x;
                    const bool visited = y > 0 && y < 25 && x > 0 && x < 40 && SiteColour(x, y) == 1 &&
                                         (y % 2 == 0) == (phase == 0);
                    ASSERT_EQ(test.samples[i], visited ? EstimateGreenFromDiagonals(&original[i], 41) : original[i])
                        << x << "," << y << " phase " << phase;
                }
        }
    }
}

TEST(TextureDefect, MeasureComparesOddRowsWithEvenRows) {
    TestMosaic test = Greens(12, 12, 100, 110);
    int32_t measure = 0;
    EXPECT_EQ(MeasureTextureDefect(test.view(), 12, 12, 9, &measure, nullptr), 1);
    EXPECT_EQ(measure, 10);
    EXPECT_EQ(MeasureTextureDefect(test.view(), 12, 12, 10, &measure, nullptr), 0);  // equal is no defect
    // Odd row count: pairs (0,1), (2,3) and (4, zero level): (10 + 10 - 100) / 2.
    EXPECT_EQ(MeasureTextureDefect(test.view(), 12, 5, 6, &measure, nullptr), 1);
    EXPECT_EQ(measure, -40);
    // Odd column count: odd rows hold one green more than c / 2 (3 x 110 / 2 = 165).
    EXPECT_EQ(MeasureTextureDefect(test.view(), 5, 12, 6, &measure, nullptr), 1);
    EXPECT_EQ(measure, 65);
    EXPECT_EQ(MeasureTextureDefect(test.view(), 1000, 1000, 6, &measure, nullptr), 1);  // cut to the mosaic
    EXPECT_EQ(measure, 10);

    // Fewer than 2 columns or rows: nothing to divide by, no defect.
    for (auto [columns, rows] : {std::pair{1u, 12u}, {12u, 1u}, {0u, 0u}}) {
        measure = 77;
        EXPECT_EQ(MeasureTextureDefect(test.view(), columns, rows, 0, &measure, nullptr), 0);
        EXPECT_EQ(measure, 0);
    }
    for (auto [width, height] : {std::pair{5u, 60u}, {60u, 5u}, {1u, 1u}, {2u, 2u}}) {
        TestMosaic tiny = Greens(width, height, 100, 900);
        EXPECT_EQ(RepairTextureDefect(tiny.view(), nullptr, nullptr, {}), texture::kNoDefect);
    }
    EXPECT_EQ(RepairTextureDefect(RawMosaic{}, nullptr, nullptr, {}), texture::kNoDefect);
}

TEST(TextureDefect, ResultCodesAndConfirmation) {
    const TestMosaic clean = Greens(60, 60, 300, 320);  // measure 20
    std::vector<std::pair<int32_t, int32_t>> asked;
    const auto answer = [&](bool repair) {
        return TextureConfirmation([&asked, repair](int32_t measure, int32_t threshold) {
            asked.emplace_back(measure, threshold);
            return repair;
        });
    };
    const auto run = [&](const ImportSettings* settings, bool repair, int expected) {
        TestMosaic test = clean;
        EXPECT_EQ(RepairTextureDefect(test.view(), settings, nullptr, answer(repair)), expected);
        EXPECT_EQ(test.samples != clean.samples, expected == texture::kRepaired);
    };
    const ImportSettings off = Settings(opt::asktt, 6), high = Settings(opt::tt | opt::asktt, 20),
                         ask = Settings(opt::tt | opt::asktt, 19), noAsk = Settings(opt::tt, 19);
    run(&off, false, texture::kOff);
    run(&high, false, texture::kNoDefect);
    EXPECT_TRUE(asked.empty());
    run(&ask, false, texture::kDeclined);
    run(&ask, true, texture::kRepaired);
    run(&noAsk, false, texture::kRepaired);  // not asked without asktt
    run(nullptr, false, texture::kDeclined);  // no settings: threshold 6, always asked
    EXPECT_EQ(asked, (std::vector<std::pair<int32_t, int32_t>>{{20, 19}, {20, 19}, {20, kDefaultTextureThreshold}}));
}

TEST(TextureDefect, CancellationStopsAtOnce) {
    // 120 x 120: the measure ticks before row 0 and after its 40 rows; phase 0 then
    // ticks before rows 50 and 100.
    const TestMosaic clean = Greens(120, 120, 320, 300);
    for (int cancelAt : {1, 2, 4}) {
        TestMosaic test = clean;
        Recorder progress(cancelAt);
        EXPECT_EQ(RepairTextureDefect(test.view(), nullptr, &progress, {}), texture::kCancelled);
        EXPECT_EQ(progress.ticks, cancelAt);
        EXPECT_EQ(progress.texts.front(), "Texture defect: Analyzing...");
        EXPECT_EQ(progress.texts.back(), cancelAt == 4 ? "Texture defect: Correcting..." : progress.texts.front());
        EXPECT_EQ(test.at(1, 98), cancelAt == 4 ? 300 : 320);  // repaired only once correcting
        EXPECT_EQ(test.at(1, 100), 320);
    }
    TestMosaic odd = clean;  // phase 1 visits odd rows only and so never ticks
    Recorder never(1);
    EXPECT_EQ(CorrectTextureDefect(odd.view(), 1, &never), texture::kRepaired);
    EXPECT_EQ(never.ticks, 0);
}

}  // namespace
}  // namespace kyp
