// The image steps and their tables over small images chosen for their edges
// (sums past 16 bits, samples above 1023, NaN and infinite parameters,
// remainders after the last pixel block, cancels between blocks), on every
// instruction set and thread count, against the results recorded in
// step-results.golden.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "engine/process/ColourBalance.h"
#include "engine/process/ColourMatrix.h"
#include "engine/process/Curves.h"
#include "engine/process/FlipRotate.h"
#include "engine/process/GammaTable.h"
#include "engine/process/GaussianBlur.h"
#include "engine/process/GaussianKernel.h"
#include "engine/process/Grayscale.h"
#include "engine/process/Histogram.h"
#include "engine/process/Invert.h"
#include "engine/process/Levels.h"
#include "engine/process/Saturation.h"
#include "engine/process/TableApply.h"
#include "engine/process/UnsharpMask.h"
#include "engine/settings/ImportSettings.h"
#include "process/ProcessTestSupport.h"

namespace kyp {
namespace {

using Samples = std::vector<uint16_t>;
using Table = std::array<uint16_t, kToneTableSize>;
using test::Recorder;
using test::TestImage;
using test::ValuesText;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

std::string Ok(bool ok) { return ok ? "ok " : "no "; }

Table Offset(uint32_t offset) {  // entry i = min(i + offset, 1023)
    Table t{};
    for (uint32_t i = 0; i < kToneTableSize; ++i) t[i] = static_cast<uint16_t>(std::min(i + offset, 1023u));
    return t;
}

// Sums past 16 bits clamp, 255/256 and 257/256 of 1 truncate; a grey image is
// refused; then a noisy image with stray samples.
void Matrix(std::ostream& out) {
    Samples s = {1000, 1000, 1000, 1, 0, 0};
    ProcessedImage image{2, 1, 3, 16, 12, s.data()};
    const int16_t hot[9] = {300, 0, 0, 257, -32768, 0, 255, 32767, -32768};
    out << Ok(ApplyColourMatrix(image, hot)) << ValuesText(s);
    image.channels = 1;
    out << " grey " << Ok(ApplyColourMatrix(image, hot)) << ValuesText(s);
    TestImage noisy(37, 5, 3);
    noisy.Randomise(3, 4000);
    const int16_t usual[9] = {410, -120, -34, -60, 350, -34, 8, -110, 358};
    out << " noisy " << Ok(ApplyColourMatrix(noisy.image, usual)) << ValuesText(noisy.samples);
}

// Channel curves come before the master; grey images take the master only.
void CurvesAndInvert(std::ostream& out) {
    Table half{}, rev{};
    for (uint16_t i = 0; i < kToneTableSize; ++i) half[i] = i / 2, rev[i] = kToneTableMax - i;
    const uint16_t* curves[4] = {rev.data(), half.data(), nullptr, nullptr};
    Samples s = {100, 100, 100};
    ProcessedImage image{1, 1, 3, 16, 6, s.data()};
    ApplyCurves(image, curves);
    out << ValuesText(s);
    image.channels = 1;
    const uint16_t* channelsOnly[4] = {nullptr, half.data(), half.data(), half.data()};
    ApplyCurves(image, channelsOnly);
    out << " " << s[0];
    ApplyCurves(image, curves);
    out << " " << s[0];
    TestImage noisy(13, 3, 3);
    InvertImage(noisy.Randomise(5, 1100).image);
    out << " inverted " << ValuesText(noisy.samples);
}

// Tables (1023 x 65535 must not wrap), means moved to the luminance mean (a
// channel mean of 0 makes the identity), a cancel before the only block.
void ColourBalance(std::ostream& out) {
    Table r{}, g{}, b{};
    BuildColourBalanceTable(r, 500, 250);
    out << ValuesText(r);
    BuildColourBalanceTable(r, 65535, 1);
    out << " " << ValuesText(r);
    auto record = std::make_unique<HistogramRecord>();
    Samples s = {0, 600, 300, 0, 400, 100};
    ProcessedImage image{2, 1, 3, 16, 12, s.data()};
    out << "; " << Ok(ApplyColourBalance(image, *record, r, g, b, nullptr)) << ValuesText(s) << " " << ValuesText(r);
    image = test::MakeImage(s, 16, 1, 3);
    Recorder cancel(1);
    out << "; " << ValuesText(s) << " " << Ok(ApplyColourBalance(image, *record, r, g, b, &cancel)) << ValuesText(s);
}

// Row sums past 2^31 (grey must stay nearly grey), NaN and infinite factors,
// grey images; then grey conversion packing luminance at the start.
void SaturationAndGrey(std::ostream& out) {
    Samples s = {1000, 1000, 1000, 1000, 1000, 1000, 600, 500, 500};
    ProcessedImage image{3, 1, 3, 16, 18, s.data()};
    ApplySaturation(image, 1000.0f);
    out << ValuesText(s);
    s = {300, 200, 100, 0, 0, 0, 0, 0, 0};
    ApplySaturation(image, kNaN);
    out << "; " << ValuesText(s);
    ApplySaturation(image, kInf);
    out << "; " << ValuesText(s);
    TestImage noisy(11, 3, 3);
    ApplySaturation(noisy.Randomise(7).image, 1.7f);
    out << "; " << ValuesText(noisy.samples);
    image.channels = 1;
    ApplySaturation(image, 0.0f);
    out << "; " << ValuesText(s);
    s = {100, 200, 300, 1023, 1023, 1023, 0, 0, 1023};
    image.channels = 3;
    ConvertToGrayscale(image);
    out << "; grey " << test::ImageText(image);
}

// The linear toe up to the standard exponent, exponents of odd gamma values,
// and the 8-bit tables.
void Gamma(std::ostream& out) {
    for (const float exponent : {0.3f, 0.45f, 0.46f, 1.0f, 0.0f, -0.5f, 1e30f, kInf, -kInf, kNaN}) {
        Table t{};
        BuildGammaTable(t, exponent);
        out << ValuesText(t) << " ";
    }
    for (const float exponent : {kDefaultGammaExponent, 1.0f}) {
        std::array<uint8_t, 256> t8{};
        BuildGammaTable8(t8, exponent);
        out << ValuesText(t8) << " ";
    }
}

std::unique_ptr<HistogramRecord> Grey(std::initializer_list<std::pair<uint32_t, uint32_t>> counts) {
    auto record = std::make_unique<HistogramRecord>();
    *record = {};
    for (const auto& [value, count] : counts) {
        record->blocks[HistogramRecord::kLuminance].bins[value] += count;
        record->total += count;
    }
    return record;
}

std::string Points(const HistogramRecord& record, int32_t dark, int32_t bright, int block = 0) {
    const LevelPoints p = FindLevelPoints(block, record, dark, bright);
    return std::to_string(p.low) + "-" + std::to_string(p.high) + " ";
}

// Points of uniform, unclipped and top-heavy counts, per-mille targets rounded
// (1.5 of 1500 to 2, of 1499 to 1), a high point that stops at the low one,
// targets beyond the count; ramps between points in either order.
void Levels(std::ostream& out) {
    out << Points(*Grey({{500, 40}}), 0, 0) << Points(*Grey({{10, 5}, {900, 5}}), -1, INT32_MIN)
        << Points(*Grey({{1023, 10}}), 0, 0) << Points(*Grey({{100, 1}, {200, 1}, {300, 1497}, {800, 1}}), 1, -1)
        << Points(*Grey({{100, 1}, {200, 1}, {300, 1496}, {800, 1}}), 1, -1)
        << Points(*Grey({{100, 200}, {700, 299}}), 1, 1);
    const auto record = Grey({{100, 5}, {900, 3}, {1000, 2}});
    out << Points(*record, 500, 300) << Points(*record, 0, 800);
    const auto wide = Grey({{10, 500}, {900, 500}});
    for (const int32_t t : {1001, 2000, INT32_MAX}) out << Points(*wide, t, 0);
    out << Points(*wide, 1000, -1);
    auto blue = Grey({});
    blue->blocks[HistogramRecord::kBlue].bins[700] = blue->total = 4;
    out << Points(*blue, 0, 0, HistogramRecord::kBlue) << Points(*blue, 0, 0, 7);
    for (const auto& [a, b] : {std::pair<uint16_t, uint16_t>{500, 500}, {300, 100}, {100, 300}, {0, 1023},
                               {1024, 1023}, {5000, 65535}}) {
        Table table{};
        BuildLevelsTable(table, a, b);
        out << ValuesText(table) << " ";
    }
}

std::string Block(const HistogramBlock& block) {
    return ValuesText(reinterpret_cast<const uint32_t*>(&block), sizeof block / 4);
}

// Statistics of uniform, empty and top-heavy blocks (a weighted sum far
// beyond 32 bits); ticks every 800 blocks from the end; the count kept at a
// cancel; the luminance-only count against the full one (with stray samples
// and a remainder after the last block) finished and cancelled; a large count.
void Histograms(std::ostream& out) {
    std::vector<uint16_t> s(35, 500);
    auto record = std::make_unique<HistogramRecord>();
    out << Ok(ComputeHistogram(ProcessedImage{7, 5, 1, 16, 70, s.data()}, record.get(), nullptr));
    auto& green = record->blocks[HistogramRecord::kGreen];
    green.bins[1022] = 2;
    green.bins[1023] = 5;
    ComputeHistogramStatistics(*record, HistogramRecord::kGreen);
    out << Block(record->blocks[0]) << " " << Block(record->blocks[1]) << " " << Block(green);
    green.bins[1] = green.bins[1023] = 0xFFFFFFF0u;
    green.bins[1022] = 0;
    ComputeHistogramStatistics(*record, HistogramRecord::kGreen);
    out << " " << green.mean;

    Recorder progress, cancel(1);
    out << "; " << Ok(ComputeHistogram(test::MakeImage(s, 801 * 16 + 3, 1, 3), record.get(), &progress))
        << progress.log;
    const ProcessedImage grey = test::MakeImage(s, 1250 * 16, 1, 1);
    std::fill(s.begin(), s.end(), 10);
    out << " " << Ok(ComputeHistogram(grey, record.get(), &cancel)) << Block(record->blocks[0]) << " "
        << Ok(ComputeHistogram(grey, nullptr, nullptr))
        << Ok(ComputeHistogram(ProcessedImage{}, record.get(), nullptr));

    HistogramRecord empty{};
    for (int i = 1; i < 4; ++i) ComputeHistogramStatistics(empty, i);
    out << "; empty " << Block(empty.blocks[1]);
    for (const int cancelAt : {0, 1, 3}) {  // 1701 blocks: ticks before blocks 100, 900 and 1700
        const ProcessedImage image = test::MakeImage(s, 1601, 17, 3, 11);
        for (size_t i = 0; i < s.size(); i += 97) s[i] = static_cast<uint16_t>(1024 + i % 64000);
        auto full = std::make_unique<HistogramRecord>();
        auto luminance = std::make_unique<HistogramRecord>();
        Recorder fullTicks(cancelAt), luminanceTicks(cancelAt);
        out << "; full " << Ok(ComputeHistogram(image, full.get(), &fullTicks)) << fullTicks.log << " " << full->total;
        for (const HistogramBlock& block : full->blocks) out << " " << Block(block);
        out << " luminance " << Ok(ComputeLuminanceHistogram(image, luminance.get(), &luminanceTicks))
            << luminanceTicks.log << " " << luminance->total;
        for (const HistogramBlock& block : luminance->blocks) out << " " << Block(block);
    }
    // Large enough for every thread to count at the same time as the others,
    // all into the same bins.
    const ProcessedImage large = test::MakeImage(s, 1500, 400, 3, 12);
    std::fill(s.begin(), s.end(), 700);
    out << "; large " << Ok(ComputeHistogram(large, record.get(), nullptr));
    for (const HistogramBlock& block : record->blocks) out << " " << Block(block);
}

// One table looked up and the levels ramp computed in its place: ticks before
// the last 1600, 800 and 0 blocks, a cancel leaving the rest, a grey image
// with a remainder and stray samples; three channel tables, finished,
// cancelled and in every combination of present tables.
void Tables(std::ostream& out) {
    const Table plus1 = Offset(1);
    Table ramp{};
    BuildLevelsTable(ramp, 37, 900);
    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 1601 * 16 + 7, 1, 3);
    for (const bool computed : {false, true}) {
        for (const int cancelAt : {0, 2}) {
            Recorder progress(cancelAt);
            std::fill(s.begin(), s.end(), 500);
            out << Ok(computed ? ApplyLevelsTable(image, ramp.data(), 37, 900, &progress)
                               : ApplyTable(image, plus1.data(), &progress))
                << progress.log << " " << ValuesText(s) << "; ";
        }
    }
    image = test::MakeImage(s, 37, 3, 1);
    s[0] = 1024;
    s[110] = 65535;
    out << ValuesText(s) << " " << Ok(ApplyTable(image, plus1.data(), nullptr)) << ValuesText(s);

    const Table t[3] = {Offset(1), Offset(2), Offset(3)};
    image = test::MakeImage(s, 1000 * 16 + 1, 1, 3);
    const std::vector<uint16_t> before = s;
    out << "; " << ValuesText(before);
    for (const int cancelAt : {0, 1}) {  // ticks before blocks 199 and 999
        Recorder progress(cancelAt);
        s = before;
        out << "; " << Ok(ApplyChannelTables(s.data(), image.width, t[0].data(), t[1].data(), t[2].data(), &progress))
            << progress.log << " " << ValuesText(s);
    }
    for (int mask = 0; mask < 8; ++mask) {
        s.assign(before.begin(), before.begin() + 63);
        ApplyPresentChannelTables(s.data(), 21, mask & 4 ? t[0].data() : nullptr, mask & 2 ? t[1].data() : nullptr,
                                  mask & 1 ? t[2].data() : nullptr);
        out << " " << ValuesText(s);
    }
}

// The computed levels ramp against the looked-up table: every divisor with
// every numerator (all sample values against low 0 and a spread of highs),
// points beyond the table and in either order, stray samples above 1023, an
// odd size; a table that is not the ramp of its points is looked up as it is.
void Ramps(std::ostream& out) {
    std::vector<std::pair<uint16_t, uint16_t>> points;
    for (uint16_t high = 0; high <= 1024; ++high) points.push_back({0, high});
    for (uint16_t low : {1, 3, 100, 511, 1022, 1023, 1024, 2000})
        for (uint16_t high : {0, 1, 2, 5, 512, 1000, 1023, 1024, 1025, 4000, 65535}) points.push_back({low, high});
    std::vector<uint16_t> base;
    const ProcessedImage shape = test::MakeImage(base, 1031, 1, 1);
    for (uint32_t i = 0; i < 1024; ++i) base[i] = static_cast<uint16_t>(i);
    base[1024] = 1024;
    base[1025] = 65535;
    base[1026] = 40000;
    int differing = 0;
    for (const auto& [a, b] : points) {
        Table table{};
        BuildLevelsTable(table, a, b);
        std::vector<uint16_t> looked = base, computed = base;
        ProcessedImage one = shape, two = shape;
        one.samples = looked.data();
        two.samples = computed.data();
        const bool matches = LevelsRampMatchesTable(table.data(), a, b) && ApplyTable(one, table.data(), nullptr) &&
                             ApplyLevelsTable(two, table.data(), a, b, nullptr) && looked == computed;
        if (!matches) ADD_FAILURE() << "levels ramp " << a << "-" << b << " is not its table (" << ++differing << ")";
    }
    const Table plus1 = Offset(1);
    ProcessedImage image = shape;
    image.samples = base.data();
    out << differing << " " << LevelsRampMatchesTable(plus1.data(), 0, 1023)
        << Ok(ApplyLevelsTable(image, plus1.data(), 0, 1023, nullptr)) << ValuesText(base);
}

std::vector<int32_t> Weights(float radius) {
    GaussianKernel kernel;
    EXPECT_TRUE(BuildGaussianKernel(kernel, radius)) << radius;
    return kernel.weights;
}

Samples Convolve(const Samples& in, std::vector<int32_t> weights, int channels = 1) {
    Samples out(in.size(), 0xFFFF);
    const GaussianKernel kernel{std::move(weights)};
    ConvolveLine(out.data(), in.data(), static_cast<uint32_t>(in.size() / channels), kernel, channels);
    return out;
}

// Kernels of extreme radii; lines shorter than the kernel (only the taps
// inside count), overshoot clamped at both ends, covered weights adding up to
// 0 keeping the sample; interiors with divisors that are not powers of two,
// samples of 10 and of 16 bits (sums near 2^31).
void Kernels(std::ostream& out) {
    for (const float radius : {-1.1f, 1.1f, 3.7f, kMaxGaussianRadius, 1e30f, kNaN})
        out << ValuesText(Weights(radius)) << " ";
    const std::vector<int32_t> wide = Weights(1.1f);
    out << Weights(kMaxGaussianRadius)[502] << ";";
    for (const Samples& line : {Samples{100, 200}, Samples{777}, Samples(3, 613), Samples(8, 613), Samples(9, 613),
                                Samples(40, 613)})
        out << " " << ValuesText(Convolve(line, wide));
    out << " " << ValuesText(Convolve({0, 600, 0}, {-1, 3, -1})) << " "
        << ValuesText(Convolve({4000, 4000, 4000}, {1, 2, 1})) << " " << ValuesText(Convolve({5, 6, 7}, {1, -2, 1}))
        << " " << ValuesText(Convolve({1, 2, 3}, {})) << ";";
    std::mt19937 random(7);
    for (const std::vector<int32_t>& weights : {wide, Weights(3.7f), {8191, 16385, 8191}, {3, 1, 3}}) {
        for (const int channels : {1, 3}) {
            for (const uint32_t range : {1024u, 65536u}) {
                Samples in(static_cast<size_t>(97 * channels));
                for (uint16_t& sample : in) sample = static_cast<uint16_t>(random() % range);
                out << " " << ValuesText(Convolve(in, weights, channels));
            }
        }
    }
}

std::string Sharpened(TestImage& image, int32_t amount, float radius, int32_t threshold, int cancelAt = 0) {
    Recorder progress(cancelAt);
    const bool ok = UnsharpMask(image.image, amount, radius, threshold, &progress);
    return Ok(ok) + progress.log + " " + ValuesText(image.samples) + "; ";
}

// Parameters that leave the image alone (neutral amount, a threshold nothing
// reaches, radii below the smallest, NaN), flat images; a 0/1023 checker
// under the widest kernel with the largest amounts, radii past the widest;
// ticks of the blur and of the sharpening pass and a cancel at each.
void Sharpening(std::ostream& out) {
    TestImage image(23, 17, 3);
    out << ValuesText(image.Randomise(1).samples) << " ";
    out << Sharpened(image, 50, 2.5f, 0) << Sharpened(image, 300, 2.5f, 1023) << Sharpened(image, 300, 0.1f, 0)
        << Sharpened(image, 300, -4.0f, 0) << Sharpened(image, 300, kNaN, 0);
    for (const uint32_t width : {1u, 2u, 9u, 40u}) {
        TestImage flat(width, 11, 3);
        flat.Set(Samples(flat.samples.size(), 517));
        out << Sharpened(flat, 500, 5.0f, 0);
    }
    for (const int32_t amount : {500, INT32_MAX, INT32_MIN}) {
        for (const uint32_t width : {1u, 3u, 7u}) {
            TestImage checker(width, 5, 3);
            for (size_t i = 0; i < checker.samples.size(); ++i) checker.samples[i] = (i / 3) % 2 ? 1023 : 0;
            out << Sharpened(checker, amount, 250.0f, 0);
        }
    }
    for (const float radius : {250.0f, kInf}) {
        TestImage grey(9, 4, 1);
        out << Sharpened(grey.Randomise(3), 200, radius, 2);
    }
    for (const int cancelAt : {0, 1, 3, 4, 5, 7}) {
        TestImage cancelled(30, 45, 3);
        out << Sharpened(cancelled.Randomise(6), 100, 1.1f, 0, cancelAt);
    }
    Samples blurred(30 * 45 * 3, 0xFFFF);
    TestImage source(30, 45, 3);
    out << GaussianBlur(blurred.data(), source.image, kNaN, nullptr) << " " << ValuesText(blurred) << " "
        << GaussianBlur(blurred.data(), TestImage(3, 3, 2).image, 1.1f, nullptr);
}

// Blocks of the sharpening: none to be had changes nothing; reused ones are
// allocated once and give what fresh ones give.
void SharpenBlocks(std::ostream& out) {
    TestImage image(30, 45, 3);
    image.Randomise(6);
    SharpenBuffers starved([](size_t) -> void* { return nullptr; }, [](void*) {});
    out << Ok(UnsharpMask(image.image, 100, 1.1f, 0, nullptr, starved)) << ValuesText(image.samples);
    test::CountingMemory::Reset();
    SharpenBuffers buffers(test::CountingMemory::Allocate, test::CountingMemory::Release);
    for (const unsigned seed : {8u, 9u}) {
        TestImage reused(50, 21, 3);
        out << "; " << Ok(UnsharpMask(reused.Randomise(seed).image, 120, 2.0f, 1, nullptr, buffers))
            << ValuesText(reused.samples) << test::MemoryText();
    }
    TestImage fresh(50, 21, 3);
    out << "; " << Ok(UnsharpMask(fresh.Randomise(9).image, 120, 2.0f, 1, nullptr)) << ValuesText(fresh.samples);
    test::CountingMemory::Reset();
}

// Every quarter turn of small and several-tile images (-1 turns counter-
// clockwise); refusals that leave the destination alone; a larger block
// taking the source's header.
void Rotations(std::ostream& out) {
    for (auto [w, h, channels] : {std::tuple{5u, 3u, 1}, {5u, 3u, 3}, {130u, 67u, 3}}) {
        const TestImage source(w, h, static_cast<uint16_t>(channels));
        for (int q = -4; q <= 4; ++q) {
            TestImage turned(w, h, static_cast<uint16_t>(channels));
            std::fill(turned.samples.begin(), turned.samples.end(), 0xFFFF);
            out << Ok(RotateImage(turned.image, source.image, q)) << test::ImageText(turned.image) << "; ";
        }
    }
    const TestImage source(4, 3, 3);
    TestImage destination(4, 3, 3), lying(4, 3, 3);
    lying.image.byteSize -= 2;  // one sample short of its own pixels
    out << Ok(RotateImage(destination.image, source.image, 5)) << Ok(RotateImage(destination.image, source.image, -5))
        << Ok(RotateImage(destination.image, lying.image, 2))
        << Ok(RotateImage(destination.image, destination.image, 1));  // onto its own block
    destination.image.byteSize -= 2;                                   // smaller than the source
    out << Ok(RotateImage(destination.image, source.image, 1)) << test::ImageText(destination.image);
    TestImage roomy(2, 2, 3, 100);
    out << "; " << Ok(RotateImage(roomy.image, source.image, 3)) << test::ImageText(roomy.image);
}

// Mirrors each way and both (one flip after the other, twice to restore),
// on images one pixel wide or high.
void Flips(std::ostream& out) {
    TestImage test(3, 3, 1);
    out << Ok(FlipImage(test.image, false, false));
    for (auto [w, h] : {std::pair{5u, 4u}, {4u, 5u}, {1u, 7u}, {7u, 1u}, {19u, 3u}}) {
        for (auto [horizontal, vertical] : {std::pair{true, false}, {false, true}, {true, true}}) {
            TestImage flipped(w, h, 3);
            out << Ok(FlipImage(flipped.image, horizontal, vertical)) << ValuesText(flipped.samples) << " ";
            out << Ok(FlipImage(flipped.image, horizontal, vertical)) << ValuesText(flipped.samples) << " ";
        }
        TestImage oneByOne(w, h, 3);
        out << Ok(FlipImage(oneByOne.image, true, false)) << Ok(FlipImage(oneByOne.image, false, true))
            << ValuesText(oneByOne.samples) << "; ";
    }
}

TEST(StepResults, EveryStepOnEveryVariantAsRecorded) {
    test::RecordedResults recorded("step-results.golden");
    recorded.CheckEveryVariant("colour matrix", Matrix);
    recorded.CheckEveryVariant("curves and invert", CurvesAndInvert);
    recorded.CheckEveryVariant("colour balance", ColourBalance);
    recorded.CheckEveryVariant("saturation and grey", SaturationAndGrey);
    recorded.CheckEveryVariant("gamma", Gamma);
    recorded.CheckEveryVariant("levels", Levels);
    recorded.CheckEveryVariant("histograms", Histograms);
    recorded.CheckEveryVariant("tables", Tables);
    recorded.CheckEveryVariant("levels ramps", Ramps, {1});  // too few samples to share
    recorded.CheckEveryVariant("kernels", Kernels);
    recorded.CheckEveryVariant("sharpening", Sharpening);
    recorded.CheckEveryVariant("sharpening blocks", SharpenBlocks);
    recorded.CheckEveryVariant("rotations", Rotations);
    recorded.CheckEveryVariant("flips", Flips);
}

}  // namespace
}  // namespace kyp
