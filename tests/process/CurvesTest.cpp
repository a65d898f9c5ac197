#include "engine/process/Curves.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "ToneTestSupport.h"
#include "engine/process/ToneTable.h"

namespace kyp {
namespace {

using Table = std::array<uint16_t, kToneTableSize>;

Table Halve() {
    Table t{};
    for (uint32_t i = 0; i < kToneTableSize; ++i) t[i] = static_cast<uint16_t>(i / 2);
    return t;
}
Table Reverse() {
    Table t{};
    for (uint32_t i = 0; i < kToneTableSize; ++i) t[i] = static_cast<uint16_t>(kMaxSample - i);
    return t;
}

TEST(Curves, ChannelCurvesComeBeforeTheMaster) {
    const Table half = Halve(), reversed = Reverse();
    const uint16_t* curves[4] = {reversed.data(), half.data(), nullptr, nullptr};
    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 1, 1, 3);
    s = {100, 100, 100};
    ApplyCurves(image, curves);
    // Red: M(half(100)) = 973; master first would give half(923) = 461.
    EXPECT_EQ(s, (std::vector<uint16_t>{973, 923, 923}));
}

TEST(Curves, GreyImageUsesOnlyTheMaster) {
    const Table half = Halve(), reversed = Reverse();
    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 3, 1, 1);
    s = {0, 100, 1023};
    const uint16_t* channelsOnly[4] = {nullptr, half.data(), half.data(), half.data()};
    ApplyCurves(image, channelsOnly);
    EXPECT_EQ(s, (std::vector<uint16_t>{0, 100, 1023}));

    const uint16_t* withMaster[4] = {reversed.data(), half.data(), half.data(), half.data()};
    ApplyCurves(image, withMaster);
    EXPECT_EQ(s, (std::vector<uint16_t>{1023, 923, 0}));

    ApplyCurves(image, nullptr);  // no curve set: nothing happens
    EXPECT_EQ(s, (std::vector<uint16_t>{1023, 923, 0}));
}

}  // namespace
}  // namespace kyp
