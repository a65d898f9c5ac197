// The raw-stage steps (black point, raw tables, texture defect) over small
// mosaics chosen for their edges, on every instruction set and thread count,
// against the results recorded in raw-step-results.golden.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <sstream>
#include <vector>

#include "engine/process/RawCorrections.h"
#include "engine/process/TextureDefect.h"
#include "process/ProcessTestSupport.h"

namespace kyp {
namespace {

using Samples = std::vector<uint16_t>;
using test::Recorder;
using test::TestMosaic;
using test::ValuesText;

// Black levels by site (the last column of an odd width is an even one),
// stopping at zero; scale tables truncating, clamping, never wrapping, and
// taking no divisor as 1; raw curves alone building the master table; a
// quick white balance, skipped for grey.
void Corrections(std::ostream& out) {
    Samples s = {100, 100, 100, 5, 20, 100};
    RawMosaic mosaic{s.data(), 3, 2};
    const uint16_t black[4] = {10, 20, 30, 40};
    SubtractBlackPoint(mosaic, black);
    out << ValuesText(s) << "; ";
    Samples t(kToneTableSize);
    for (const auto& [fresh, multiplier, divisor] :
         {std::tuple{true, 255, 256}, {false, 3, 2}, {true, 65535, 1}, {true, 5, 0}}) {
        ScaleTable(t, fresh, static_cast<uint16_t>(multiplier), static_cast<uint16_t>(divisor));
        out << ValuesText(t) << " ";
    }
    std::array<uint16_t, kToneTableSize> rev{};
    for (uint16_t i = 0; i < kToneTableSize; ++i) rev[i] = kToneTableMax - i;
    RawTables tables;
    const uint16_t* masterOnly[4] = {rev.data(), nullptr, nullptr, nullptr};
    BuildRawTables({.options = opt::rawcurves}, masterOnly, 256, 256, tables);
    for (const uint16_t* table : tables.table) out << "; " << (table ? ValuesText(table, kToneTableSize) : "none");
    s = {1000, 512, 1};
    ProcessedImage image{1, 1, 3, 16, 6, s.data()};
    ApplyRgbBalance(image, 300, 256, 65535);
    out << "; " << ValuesText(s);
    image.channels = 1;
    ApplyRgbBalance(image, 128, 128, 128);
    out << " " << ValuesText(s);
}

// The master path ticks before every hundredth block of 16 sites from the
// end, the channel path every hundred rows, each finished and cancelled; the
// tables gathered sixteen sites at a time over rows that do not divide into
// sixteen, both row parities and samples above 1023.
void RawTablesApplied(std::ostream& out) {
    RawTables master;
    for (uint16_t i = 0; i < kToneTableSize; ++i) master.storage[0][i] = i + 1;
    master.table[RawTables::kMaster] = master.storage[0];
    RawTables blue;
    std::fill(std::begin(blue.storage[3]), std::end(blue.storage[3]), 900);
    blue.table[RawTables::kBlue] = blue.storage[3];
    for (const auto& [tables, width, height, value] : {std::tuple{&master, 4005u, 1u, 7}, {&blue, 5u, 250u, 1}}) {
        for (const int cancelAt : {0, 1, 2}) {
            Samples s(size_t{width} * height, static_cast<uint16_t>(value));
            RawMosaic mosaic{s.data(), width, height};
            Recorder progress(cancelAt);
            out << ApplyRawTables(mosaic, *tables, &progress) << progress.log << " " << ValuesText(s) << "; ";
        }
    }
    std::mt19937 random(7);
    Samples noisy(37 * 6);
    for (uint16_t& v : noisy) v = static_cast<uint16_t>(random() % 8 == 0 ? 1024 + random() % 60000 : random() % 1024);
    RawTables colours;
    for (uint32_t i = 0; i < kToneTableSize; ++i) {
        for (int t = 0; t < 4; ++t) colours.storage[t][i] = static_cast<uint16_t>((i * (t + 3) + 17 * t) % 1024);
        master.storage[RawTables::kMaster][i] = static_cast<uint16_t>(1023 - i);
    }
    for (int t = RawTables::kRed; t <= RawTables::kBlue; ++t) colours.table[t] = colours.storage[t];
    for (const RawTables* tables : {&colours, &master}) {
        Samples s = noisy;
        RawMosaic mosaic{s.data(), 37, 6};
        out << ApplyRawTables(mosaic, *tables, nullptr) << ValuesText(s) << " ";
    }
}

// A mosaic whose greens on even (red) rows read `evenGreen`, on odd (blue) rows
// `oddGreen`, red and blue sites 500.
TestMosaic Greens(uint32_t width, uint32_t height, uint16_t evenGreen, uint16_t oddGreen) {
    return test::MakeMosaic(width, height, [&](uint32_t x, uint32_t y) {
        return SiteColour(x, y) != 1 ? 500 : (y % 2 == 0 ? evenGreen : oddGreen);
    });
}

// Estimates at every site and corrections of random mosaics (in range and
// full 16-bit, with nearly flat neighbourhoods) in each phase; measures of odd row and column counts, of
// regions cut to the mosaic or too small to divide by.
void TextureMeasures(std::ostream& out) {
    for (const int maximum : {1023, 65535}) {
        for (const int phase : {0, 1}) {
            TestMosaic test = Greens(41, 26, 0, 0);
            std::mt19937 random(static_cast<unsigned>(maximum + phase));
            for (uint16_t& sample : test.samples) sample = static_cast<uint16_t>(random() % (maximum + 1));
            for (uint32_t x = 0; x < 12; ++x) {
                test.at(x, 4) = test.at(x, 9) = 1;
                test.at(x, 6) = test.at(x, 11) = static_cast<uint16_t>(x < 6 ? 0 : 1 + x % 2);
            }
            Samples estimates;
            for (uint32_t y = 1; y + 1 < test.height; ++y)
                for (uint32_t x = 1; x + 1 < test.width; ++x)
                    estimates.push_back(EstimateGreenFromDiagonals(&test.at(x, y), test.width));
            out << ValuesText(estimates) << " " << CorrectTextureDefect(test.view(), phase, nullptr)
                << ValuesText(test.samples) << " ";
        }
    }
    const TestMosaic test = Greens(12, 12, 100, 110);
    for (const auto& [columns, rows, threshold] : std::vector<std::array<uint32_t, 3>>{
             {12, 12, 9}, {12, 12, 10}, {12, 5, 6}, {5, 12, 6}, {1000, 1000, 6}, {1, 12, 0}, {12, 1, 0}, {0, 0, 0}}) {
        int32_t measure = 77;
        const int result =
            MeasureTextureDefect(test.view(), columns, rows, static_cast<int32_t>(threshold), &measure, nullptr);
        out << "; " << result << " " << measure;
    }
    for (const auto& [width, height] : {std::pair{5u, 60u}, {60u, 5u}, {1u, 1u}, {2u, 2u}}) {
        TestMosaic tiny = Greens(width, height, 100, 900);
        out << "; " << RepairTextureDefect(tiny.view(), nullptr, nullptr, {});
    }
    out << " " << RepairTextureDefect(RawMosaic{}, nullptr, nullptr, {});
}

ImportSettings Settings(uint32_t options, int32_t threshold) {
    ImportSettings settings;
    settings.options = options;
    settings.textureThreshold = threshold;
    return settings;
}

// Result codes for settings that switch the repair off, find no defect, ask
// (declined or accepted), do not ask, or are missing; the questions asked; a
// cancel at each tick of the measure and of the correction.
void TextureRepairs(std::ostream& out) {
    const TestMosaic clean = Greens(60, 60, 300, 320);
    const ImportSettings off = Settings(opt::asktt, 6), high = Settings(opt::tt | opt::asktt, 20),
                         ask = Settings(opt::tt | opt::asktt, 19), noAsk = Settings(opt::tt, 19);
    for (const auto& [settings, repair] : {std::pair{&off, false}, {&high, false}, {&ask, false}, {&ask, true},
                                           {&noAsk, false}, {nullptr, false}}) {
        TestMosaic test = clean;
        std::string asked = "-";
        const bool answer = repair;
        const int result = RepairTextureDefect(test.view(), settings, nullptr, [&](int32_t measure, int32_t threshold) {
            asked = std::to_string(measure) + "/" + std::to_string(threshold);
            return answer;
        });
        out << result << " asked " << asked << " " << ValuesText(test.samples) << "; ";
    }
    for (const int cancelAt : {0, 1, 2, 3, 4}) {
        TestMosaic test = Greens(120, 120, 320, 300);
        Recorder progress(cancelAt);
        out << RepairTextureDefect(test.view(), nullptr, &progress, {}) << progress.log << " "
            << ValuesText(test.samples) << "; ";
    }
    TestMosaic odd = Greens(120, 120, 320, 300);  // phase 1 visits odd rows only and so never ticks
    Recorder never(1);
    out << CorrectTextureDefect(odd.view(), 1, &never) << never.log << " " << ValuesText(odd.samples);
}

TEST(RawStepResults, EveryRawStepOnEveryVariantAsRecorded) {
    test::RecordedResults recorded("raw-step-results.golden");
    recorded.CheckEveryVariant("corrections", Corrections);
    recorded.CheckEveryVariant("raw tables", RawTablesApplied);
    recorded.CheckEveryVariant("texture measures", TextureMeasures);
    recorded.CheckEveryVariant("texture repairs", TextureRepairs);
}

}  // namespace
}  // namespace kyp
