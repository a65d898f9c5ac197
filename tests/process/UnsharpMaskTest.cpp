#include "engine/process/UnsharpMask.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

#include "process/ProcessTestSupport.h"

namespace kyp {
namespace {

using test::Recorder;
using test::TestImage;
using Samples = std::vector<uint16_t>;

TEST(UnsharpMask, LeavesImageAloneWhenItShould) {
    TestImage test(23, 17, 3);
    const Samples original = test.Randomise(1).samples;
    Recorder progress;
    EXPECT_TRUE(UnsharpMask(test.image, 50, 2.5f, 0, nullptr));       // amount 50 is neutral
    EXPECT_TRUE(UnsharpMask(test.image, 300, 2.5f, 1023, nullptr));   // nothing differs by 2046
    EXPECT_TRUE(UnsharpMask(test.image, 300, 0.1f, 0, &progress));    // below the smallest radius
    EXPECT_TRUE(UnsharpMask(test.image, 300, -4.0f, 0, &progress));
    EXPECT_TRUE(UnsharpMask(test.image, 300, std::numeric_limits<float>::quiet_NaN(), 0, &progress));
    EXPECT_EQ(test.samples, original);
    EXPECT_EQ(progress.ticks, 0);
    for (uint32_t width : {1u, 2u, 9u, 40u}) {
        TestImage flat(width, 11, 3);
        flat.Set(Samples(flat.samples.size(), 517));
        EXPECT_TRUE(UnsharpMask(flat.image, 500, 5.0f, 0, nullptr));
        EXPECT_EQ(flat.samples, Samples(flat.samples.size(), 517)) << width;
    }
}

TEST(UnsharpMask, ExtremeParametersStayInRange) {
    // A 0/1023 checker under the widest kernel with the largest amounts.
    for (int32_t amount : {500, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()}) {
        for (uint32_t width : {1u, 3u, 7u}) {
            TestImage test(width, 5, 3);
            for (size_t i = 0; i < test.samples.size(); ++i) test.samples[i] = (i / 3) % 2 ? 1023 : 0;
            EXPECT_TRUE(UnsharpMask(test.image, amount, 250.0f, 0, nullptr));
            EXPECT_LE(*std::max_element(test.samples.begin(), test.samples.end()), 1023);
            EXPECT_NE(std::count(test.samples.begin(), test.samples.end(), 0), 0) << amount;
            EXPECT_NE(std::count(test.samples.begin(), test.samples.end(), 1023), 0) << amount;
        }
    }
    // Radii past the widest kernel behave like it.
    TestImage a(9, 4, 1), b(9, 4, 1);
    b.Set(a.Randomise(3).samples);
    EXPECT_TRUE(UnsharpMask(a.image, 200, 250.0f, 2, nullptr));
    EXPECT_TRUE(UnsharpMask(b.image, 200, std::numeric_limits<float>::infinity(), 2, nullptr));
    EXPECT_EQ(a.samples, b.samples);
}

TEST(UnsharpMask, TicksCancellationAndMemory) {
    TestImage test(30, 45, 3);
    const Samples original = test.Randomise(6).samples;
    Samples blurred(test.samples.size(), 0xFFFF);
    EXPECT_EQ(GaussianBlur(blurred.data(), test.image, std::numeric_limits<float>::quiet_NaN(), nullptr),
              blur::kNotNeeded);
    EXPECT_EQ(blurred, Samples(blurred.size(), 0xFFFF));
    EXPECT_EQ(GaussianBlur(blurred.data(), TestImage(3, 3, 2).image, 1.1f, nullptr), blur::kFailed);

    // Rows 4, 24, 44 of 45 and columns 9, 29 of 30 have a multiple of 20 still to do
    // after them; the sharpening pass then ticks before rows 4, 24 and 44 again.
    Recorder full;
    TestImage reference(30, 45, 3);
    reference.Set(original);
    ASSERT_TRUE(UnsharpMask(reference.image, 100, 1.1f, 0, &full));
    EXPECT_EQ(full.ticks, 8);
    for (int cancelAt : {1, 3, 4, 5}) {  // inside the blur: untouched
        Recorder progress(cancelAt);
        EXPECT_FALSE(UnsharpMask(test.image, 100, 1.1f, 0, &progress));
        EXPECT_EQ(progress.ticks, cancelAt);
        EXPECT_EQ(test.samples, original);
    }
    Recorder late(7);  // before row 24 of the final pass: rows 0..23 done
    EXPECT_FALSE(UnsharpMask(test.image, 100, 1.1f, 0, &late));
    const auto split = static_cast<ptrdiff_t>(24 * 30 * 3);
    EXPECT_TRUE(std::equal(test.samples.begin(), test.samples.begin() + split, reference.samples.begin()));
    EXPECT_TRUE(std::equal(test.samples.begin() + split, test.samples.end(), original.begin() + split));

    test.Set(original);
    SharpenBuffers starved([](size_t) -> void* { return nullptr; }, [](void*) {});
    EXPECT_FALSE(UnsharpMask(test.image, 100, 1.1f, 0, nullptr, starved));
    EXPECT_EQ(test.samples, original);
}

int allocations = 0;

TEST(UnsharpMask, ReusedBuffersAllocateOnceAndAgree) {
    SharpenBuffers buffers(
        [](size_t bytes) {
            ++allocations;
            return std::malloc(bytes);
        },
        [](void* block) { std::free(block); });
    TestImage first(50, 21, 3), second(50, 21, 3), fresh(50, 21, 3);
    fresh.Set(second.Randomise(9).samples);
    EXPECT_TRUE(UnsharpMask(first.Randomise(8).image, 120, 2.0f, 1, nullptr, buffers));
    EXPECT_EQ(allocations, 2);  // blurred copy and column strip
    EXPECT_TRUE(UnsharpMask(second.image, 120, 2.0f, 1, nullptr, buffers));
    EXPECT_EQ(allocations, 2);
    EXPECT_TRUE(UnsharpMask(fresh.image, 120, 2.0f, 1, nullptr));
    EXPECT_EQ(second.samples, fresh.samples);
}

}  // namespace
}  // namespace kyp
