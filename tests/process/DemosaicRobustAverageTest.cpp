#include "engine/process/RobustAverage4.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>

namespace kyp {
namespace {

// The definition written out plainly, as a check on the branch-free form,
// over wide values and clusters around the 1000 threshold.
TEST(RobustAverage4, MatchesTheDefinition) {
    const auto reference = [](const std::array<int32_t, 4>& v) {
        std::array<int32_t, 4> s{};
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) s[i] += std::abs(v[i] - v[j]);
        const auto [low, high] = std::minmax_element(s.begin(), s.end());
        const int32_t cut = *low + (*high - *low) / 3;
        int32_t sum = 0, count = 0;
        for (int i = 0; i < 4; ++i)
            if (s[i] < cut) sum += v[i], ++count;
        return cut <= 1000 || count == 0 ? (v[0] + v[1] + v[2] + v[3]) / 4 : sum / count;
    };
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> wide(-1047552, 1047552);
    std::uniform_int_distribution<int32_t> near(-400, 400);
    for (int round = 0; round < 200000; ++round) {
        std::array<int32_t, 4> v{};
        const int32_t centre = wide(random);
        for (auto& value : v) value = round % 2 == 0 ? wide(random) : centre + near(random);
        ASSERT_EQ(RobustAverage4(v[0], v[1], v[2], v[3]), reference(v)) << v[0] << ' ' << v[1] << ' ' << v[2] << ' ' << v[3];
    }
}

}  // namespace
}  // namespace kyp
