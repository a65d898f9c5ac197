// The luminance methods against a plain whole-mosaic rendering of their
// steps, on every instruction set this processor has and with one thread or
// the pool. (The other methods on other thread counts: SessionParallel.)
#include <gtest/gtest.h>

#include <vector>

#include "engine/core/KernelTargets.h"
#include "engine/process/RobustAverage4.h"
#include "platform/ThreadPool.h"
#include "process/ProcessTestSupport.h"

namespace kyp {
namespace {

using test::MakeMosaic;
using test::MakeScene;
using test::OwnedImage;
using test::TestMosaic;

// Planes over the whole mosaic, every step over its whole window, site
// colours from absolute positions, one pixel at a time.
struct Reference {
    const TestMosaic& m;
    int w, h;
    std::vector<int32_t> p0, p1, red, blue;
    explicit Reference(const TestMosaic& mosaic)
        : m(mosaic), w(static_cast<int>(mosaic.width)), h(static_cast<int>(mosaic.height)),
          p0(mosaic.samples.size()), p1(p0.size()), red(p0.size()), blue(p0.size()) {
        for (size_t i = 0; i < p0.size(); ++i) p0[i] = std::min<int32_t>(mosaic.samples[i], 1023) << 10;
        // Step 2: diagonal colour at the colour sites.
        for (int y = 1; y < h - 1; ++y)
            for (int x = 1; x < w - 1; ++x) {
                if (!Colour(x, y)) continue;
                auto& own = Red(x, y) ? red : blue;
                auto& opposite = Red(x, y) ? blue : red;
                own[At(x, y)] = p0[At(x, y)];
                opposite[At(x, y)] = Diagonal(p0, x, y);
            }
    }
    [[nodiscard]] size_t At(int x, int y) const { return static_cast<size_t>(y) * w + x; }
    static bool Colour(int x, int y) { return ((x + y) & 1) == 0; }
    static bool Red(int x, int y) { return (x & 1) == 0 && (y & 1) == 0; }
    [[nodiscard]] int32_t Diagonal(const std::vector<int32_t>& p, int x, int y) const {
        return RobustAverage4(p[At(x - 1, y - 1)], p[At(x + 1, y - 1)], p[At(x - 1, y + 1)], p[At(x + 1, y + 1)]);
    }
    [[nodiscard]] int32_t Orthogonal(const std::vector<int32_t>& p, int x, int y) const {
        return RobustAverage4(p[At(x, y - 1)], p[At(x, y + 1)], p[At(x - 1, y)], p[At(x + 1, y)]);
    }
    // Step 3 at one site.
    void Estimate(int x, int y, int32_t& r, int32_t& g, int32_t& b) const {
        if (Colour(x, y)) {
            r = red[At(x, y)], g = Orthogonal(p0, x, y), b = blue[At(x, y)];
        } else {
            r = Orthogonal(red, x, y), g = p0[At(x, y)], b = Orthogonal(blue, x, y);
        }
    }

    std::vector<uint16_t> Gradient() {
        for (int y = 2; y < h - 2; ++y)
            for (int x = 2; x < w - 2; ++x) {
                int32_t r, g, b;
                Estimate(x, y, r, g, b);
                p1[At(x, y)] = (435 * r + 1464 * g + 147 * b) >> 11;
            }
        for (int y = 2; y < h - 2; ++y)
            for (int x = 2; x < w - 2; ++x)
                if (Colour(x, y)) (Red(x, y) ? red : blue)[At(x, y)] = p0[At(x, y)] - p1[At(x, y)];
        for (int y = 3; y < h - 3; ++y)
            for (int x = 3; x < w - 3; ++x) {
                if (!Colour(x, y)) continue;
                auto& opposite = Red(x, y) ? blue : red;
                opposite[At(x, y)] = Diagonal(opposite, x, y);
            }
        std::vector<uint16_t> out;
        for (int y = 4; y < h - 4; ++y)
            for (int x = 4; x < w - 4; ++x) {
                const bool colour = Colour(x, y);
                const int32_t dr = colour ? red[At(x, y)] : Orthogonal(red, x, y);
                const int32_t db = colour ? blue[At(x, y)] : Orthogonal(blue, x, y);
                const int32_t luma = p1[At(x, y)];
                const int32_t r = dr + luma, b = db + luma;
                const int32_t g = (2048 * luma - 435 * r - 147 * b) / 1464;
                for (const int32_t v : {r >> 10, g >> 10, b >> 10}) out.push_back(static_cast<uint16_t>(std::clamp(v, 0, 1023)));
            }
        return out;
    }

    std::vector<uint16_t> Grey() const {
        std::vector<uint16_t> out;
        for (int y = 2; y < h - 2; ++y)
            for (int x = 2; x < w - 2; ++x) {
                int32_t r, g, b;
                Estimate(x, y, r, g, b);
                out.push_back(static_cast<uint16_t>(std::clamp((435 * r + 1464 * g + 147 * b) >> 21, 0, 1023)));
            }
        return out;
    }
};

std::vector<uint16_t> Samples(const OwnedImage& image) {
    return {image.image.samples, image.image.samples + image.image.sampleCount()};
}

// Full-range noise, hot and dead sites and values above 1023: the robust
// averages take every path and the sums reach their extremes.
TestMosaic Harsh(uint32_t width, uint32_t height, uint32_t seed) {
    std::mt19937 random(seed);
    return MakeMosaic(width, height, [&](uint32_t, uint32_t) {
        const uint32_t pick = random() % 16;
        if (pick == 0) return 0;
        if (pick == 1) return 1023 + static_cast<int>(random() % 3000);
        return static_cast<int>(random() % 1024);
    });
}

struct Limits {
    Limits() = default;
    Limits(const Limits&) = delete;
    Limits& operator=(const Limits&) = delete;
    ~Limits() {
        ThreadPool::Shared().SetThreadLimit(0);
        (void)SetKernelTargetLimit(KernelTarget::avx512);
    }
};

std::vector<KernelTarget> Targets() {
    std::vector<KernelTarget> targets{KernelTarget::baseline};
    if (DetectKernelTarget() != KernelTarget::baseline) targets.push_back(KernelTarget::avx2);
    if (DetectKernelTarget() == KernelTarget::avx512) targets.push_back(KernelTarget::avx512);
    return targets;
}

TEST(DemosaicParallel, LuminanceMethodsMatchThePlainSteps) {
    Limits restore;
    // Several tiles each way, odd sizes, a moved-back last column and row
    // (213 = 2 x 104 + 5), and a mosaic narrower than one tile.
    const TestMosaic mosaics[] = {MakeScene(330, 230, 1), Harsh(213, 213, 2), Harsh(219, 121, 3),
                                  MakeScene(61, 300, 4), Harsh(9, 9, 5)};
    for (const TestMosaic& mosaic : mosaics) {
        const std::vector<uint16_t> gradient = Reference(mosaic).Gradient();
        const std::vector<uint16_t> grey = Reference(mosaic).Grey();
        for (const KernelTarget target : Targets()) {
            (void)SetKernelTargetLimit(target);
            for (const unsigned threads : {1u, 0u}) {
                ThreadPool::Shared().SetThreadLimit(threads);
                OwnedImage colour, mono;
                test::Demosaic(8, mosaic, colour);
                test::Demosaic(7, mosaic, mono);
                EXPECT_EQ(Samples(colour), gradient) << mosaic.width << 'x' << mosaic.height << " target "
                                                     << static_cast<int>(target) << " threads " << threads;
                EXPECT_EQ(Samples(mono), grey) << mosaic.width << 'x' << mosaic.height << " target "
                                               << static_cast<int>(target) << " threads " << threads;
            }
        }
    }
}

}  // namespace
}  // namespace kyp
