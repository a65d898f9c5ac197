#include "engine/process/TextureDefect.h"

#include <gtest/gtest.h>

#include <random>

#include "process/KernelsTestProgress.h"

namespace kyp {
namespace {

// A mosaic whose greens on even (red) rows read `evenGreen`, on odd (blue) rows
// `oddGreen`, red and blue sites `other`.
struct TestMosaic {
    std::vector<uint16_t> samples;
    RawMosaic mosaic;

    TestMosaic(uint32_t width, uint32_t height, uint16_t evenGreen, uint16_t oddGreen, uint16_t other = 500)
        : samples(size_t{width} * height) {
        mosaic.samples = samples.data();
        mosaic.width = width;
        mosaic.height = height;
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                at(x, y) = SiteColour(x, y) != 1 ? other : (y % 2 == 0 ? evenGreen : oddGreen);
    }
    uint16_t& at(uint32_t x, uint32_t y) { return samples[size_t{y} * mosaic.width + x]; }
};

ImportSettings Settings(uint32_t options, int32_t threshold) {
    ImportSettings settings;
    settings.options = options;
    settings.textureThreshold = threshold;
    return settings;
}

uint16_t Estimate(uint16_t nw, uint16_t ne, uint16_t sw, uint16_t se) {
    const uint16_t block[9] = {nw, 0, ne, 0, 0, 0, sw, 0, se};
    return EstimateGreenFromDiagonals(block + 4, 3);
}

TEST(TextureDefect, EstimateAveragesTheAgreeingPairs) {
    EXPECT_EQ(Estimate(100, 100, 100, 100), 100);
    // Top pair and bottom pair agree (differences 4, 10 against a midpoint of 107):
    // (100 + 104 + 300 + 310) / 4, truncated, not the rounded mean 204.
    EXPECT_EQ(Estimate(100, 104, 300, 310), 203);
    // Midpoint 1: the three pairs of zeros win over the rounded mean 1.
    EXPECT_EQ(Estimate(3, 0, 0, 0), 0);
    // All differences within 1: midpoint 0, rounded mean.
    EXPECT_EQ(Estimate(1, 1, 0, 1), 1);
    EXPECT_EQ(Estimate(1, 0, 0, 0), 0);
}

// The correction's row loop is a branch-free form of the estimate; on random data
// (in range, and full 16-bit) both must agree at every repaired site.
TEST(TextureDefect, CorrectionUsesTheEstimateAtEverySite) {
    for (int maximum : {1023, 65535}) {
        for (int phase : {0, 1}) {
            TestMosaic test(41, 26, 0, 0);
            std::mt19937 random(static_cast<unsigned>(maximum + phase));
            for (uint16_t& sample : test.samples) sample = static_cast<uint16_t>(random() % (maximum + 1));
            // Some flat and nearly flat neighbourhoods too.
            for (uint32_t x = 0; x < 12; ++x) {
                test.at(x, 4) = test.at(x, 9) = 1;
                test.at(x, 6) = test.at(x, 11) = static_cast<uint16_t>(x < 6 ? 0 : 1 + x % 2);
            }
            const std::vector<uint16_t> original = test.samples;
            ASSERT_EQ(CorrectTextureDefect(test.mosaic, phase, nullptr), texture::kRepaired);
            for (uint32_t y = 0; y < 26; ++y)
                for (uint32_t x = 0; x < 41; ++x) {
                    const size_t index = size_t{y} * 41 + x;
                    const bool visited = y > 0 && y < 25 && x > 0 && x < 40 && SiteColour(x, y) == 1 &&
                                         (y % 2 == 0) == (phase == 0);
                    const uint16_t expected =
                        visited ? EstimateGreenFromDiagonals(original.data() + index, 41) : original[index];
                    ASSERT_EQ(test.samples[index], expected) << x << "," << y << " phase " << phase;
                }
        }
    }
}

TEST(TextureDefect, MeasureComparesOddRowsWithEvenRows) {
    TestMosaic test(12, 12, 100, 110);
    int32_t measure = 0;
    EXPECT_EQ(MeasureTextureDefect(test.mosaic, 12, 12, 9, &measure, nullptr), 1);
    EXPECT_EQ(measure, 10);
    EXPECT_EQ(MeasureTextureDefect(test.mosaic, 12, 12, 10, &measure, nullptr), 0);  // equal is no defect
    EXPECT_EQ(MeasureTextureDefect(test.mosaic, 12, 12, -11, &measure, nullptr), 1);

    // Odd row count: rows (0,1), (2,3) and (4, zero level): (10 + 10 - 100) / 2.
    EXPECT_EQ(MeasureTextureDefect(test.mosaic, 12, 5, 6, &measure, nullptr), 1);
    EXPECT_EQ(measure, -40);
    // Odd column count: odd rows hold one green more than c / 2 (3 x 110 / 2 = 165).
    EXPECT_EQ(MeasureTextureDefect(test.mosaic, 5, 12, 6, &measure, nullptr), 1);
    EXPECT_EQ(measure, 65);
    // A region larger than the mosaic is cut to it.
    EXPECT_EQ(MeasureTextureDefect(test.mosaic, 1000, 1000, 6, &measure, nullptr), 1);
    EXPECT_EQ(measure, 10);
}

TEST(TextureDefect, TinyRegionsMeasureNothing) {
    TestMosaic test(12, 12, 100, 900);
    int32_t measure = 77;
    for (auto [columns, rows] : {std::pair{1u, 12u}, {12u, 1u}, {0u, 0u}}) {
        EXPECT_EQ(MeasureTextureDefect(test.mosaic, columns, rows, 0, &measure, nullptr), 0);
        EXPECT_EQ(measure, 0);
    }
    // The whole step on mosaics under 6 sites across: width / 3 or height / 3 below 2.
    for (auto [width, height] : {std::pair{5u, 60u}, {60u, 5u}, {1u, 1u}, {2u, 2u}}) {
        TestMosaic tiny(width, height, 100, 900);
        const std::vector<uint16_t> before = tiny.samples;
        EXPECT_EQ(RepairTextureDefect(tiny.mosaic, nullptr, nullptr, {}), texture::kNoDefect);
        EXPECT_EQ(tiny.samples, before);
    }
    RawMosaic empty;
    EXPECT_EQ(RepairTextureDefect(empty, nullptr, nullptr, {}), texture::kNoDefect);
    EXPECT_EQ(CorrectTextureDefect(empty, 0, nullptr), texture::kRepaired);
}

// Which sites the repair rewrote: odd-row greens brighter rebuilds phase 1, even-row
// greens brighter phase 0; the border rows and columns stay.
TEST(TextureDefect, RepairRebuildsTheBrighterPhase) {
    for (bool oddBrighter : {true, false}) {
        TestMosaic test(60, 60, oddBrighter ? 300 : 320, oddBrighter ? 320 : 300);
        const ImportSettings settings = Settings(opt::tt, 6);
        test::RecordingProgress progress;
        EXPECT_EQ(RepairTextureDefect(test.mosaic, &settings, &progress, {}), texture::kRepaired);
        EXPECT_EQ(progress.texts,
                  (std::vector<std::string>{"Texture defect: Analyzing...", "Texture defect: Correcting..."}));
        for (uint32_t y = 0; y < 60; ++y)
            for (uint32_t x = 0; x < 60; ++x) {
                if (SiteColour(x, y) != 1) {
                    ASSERT_EQ(test.at(x, y), 500);
                    continue;
                }
                const bool odd = y % 2 != 0;
                const bool interior = x > 0 && x < 59 && y > 0 && y < 59;
                const uint16_t original = odd == oddBrighter ? 320 : 300;
                const uint16_t expected = interior && odd == oddBrighter ? 300 : original;
                ASSERT_EQ(test.at(x, y), expected) << x << "," << y << " odd brighter " << oddBrighter;
            }
    }
}

TEST(TextureDefect, ResultCodesAndConfirmation) {
    const TestMosaic clean(60, 60, 300, 320);
    int asked = 0;
    int32_t askedMeasure = 0, askedThreshold = 0;
    const TextureConfirmation decline = [&](int32_t measure, int32_t threshold) {
        ++asked;
        askedMeasure = measure;
        askedThreshold = threshold;
        return false;
    };
    const TextureConfirmation accept = [&](int32_t, int32_t) {
        ++asked;
        return true;
    };
    const auto run = [&](const ImportSettings* settings, const TextureConfirmation& confirm, int expected,
                         bool changed) {
        TestMosaic test = clean;
        test.mosaic.samples = test.samples.data();
        EXPECT_EQ(RepairTextureDefect(test.mosaic, settings, nullptr, confirm), expected);
        EXPECT_EQ(test.samples != clean.samples, changed);
    };

    const ImportSettings off = Settings(opt::asktt, 6);
    run(&off, decline, texture::kOff, false);
    const ImportSettings high = Settings(opt::tt | opt::asktt, 20);  // measure is exactly 20
    run(&high, decline, texture::kNoDefect, false);
    EXPECT_EQ(asked, 0);

    const ImportSettings ask = Settings(opt::tt | opt::asktt, 19);
    run(&ask, decline, texture::kDeclined, false);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(askedMeasure, 20);
    EXPECT_EQ(askedThreshold, 19);
    run(&ask, accept, texture::kRepaired, true);
    EXPECT_EQ(asked, 2);

    // Without asktt the callback is not consulted.
    const ImportSettings noAsk = Settings(opt::tt, 19);
    run(&noAsk, decline, texture::kRepaired, true);
    EXPECT_EQ(asked, 2);
    // Without settings: threshold 6 and always asked.
    run(nullptr, decline, texture::kDeclined, false);
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(askedThreshold, kDefaultTextureThreshold);
}

TEST(TextureDefect, CancellationStopsAtOnce) {
    // 120 x 120, the measure ticks before row 0 and once after its 40 rows; phase 0
    // then ticks before rows 50 and 100.
    TestMosaic clean(120, 120, 320, 300);
    for (int cancelAt : {1, 2}) {
        TestMosaic test = clean;
        test.mosaic.samples = test.samples.data();
        test::RecordingProgress progress(cancelAt);
        EXPECT_EQ(RepairTextureDefect(test.mosaic, nullptr, &progress, {}), texture::kCancelled);
        EXPECT_EQ(progress.ticks, cancelAt);
        EXPECT_EQ(test.samples, clean.samples);
    }
    TestMosaic test = clean;
    test.mosaic.samples = test.samples.data();
    test::RecordingProgress progress(4);  // before row 100
    EXPECT_EQ(RepairTextureDefect(test.mosaic, nullptr, &progress, {}), texture::kCancelled);
    EXPECT_EQ(test.at(1, 98), 300);   // repaired
    EXPECT_EQ(test.at(1, 100), 320);  // not reached

    // Phase 1 visits odd rows only and so never ticks.
    TestMosaic odd = clean;
    odd.mosaic.samples = odd.samples.data();
    test::RecordingProgress never(1);
    EXPECT_EQ(CorrectTextureDefect(odd.mosaic, 1, &never), texture::kRepaired);
    EXPECT_EQ(never.ticks, 0);
}

}  // namespace
}  // namespace kyp
