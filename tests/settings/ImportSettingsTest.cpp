#include <gtest/gtest.h>

#include "engine/settings/ImportSettings.h"

namespace kyp {
namespace {

ImportSettings Defaults() {
    ImportSettings s;
    SetDefaults(s);
    return s;
}

TEST(ImportSettings, ChangeLevels) {
    const ImportSettings base = Defaults();
    ImportSettings e = base;
    EXPECT_EQ(CompareSettings(e, base), 0);

    e.options ^= opt::asktt;  // stored, never compared
    EXPECT_EQ(CompareSettings(e, base), 0);

    e = base;
    e.options = opt::rgblevels;
    ImportSettings f = e;
    e.darkThreshold = 5;
    EXPECT_EQ(CompareSettings(e, f), 1);
    e.options = 0;
    f.options = 0;
    EXPECT_EQ(CompareSettings(e, f), 0);  // levels off: the threshold changes nothing

    e = base;
    e.usmRadius = 3.0f;  // usm is off by default
    EXPECT_EQ(CompareSettings(e, base), 0);
    e.options |= opt::usm;
    EXPECT_EQ(CompareSettings(e, base), 1);

    for (uint32_t options : {0u, opt::defaults, opt::meaningful}) {
        e = base;
        f = base;
        e.options = f.options = options;
        e.method = method::bilinear;
        EXPECT_EQ(CompareSettings(e, f), 2);
    }

    e = base;
    e.options ^= opt::wb;
    EXPECT_EQ(CompareSettings(e, base), 2);
    e = base;
    e.options ^= opt::hflip;
    EXPECT_EQ(CompareSettings(e, base), 1);
    e = base;
    e.textureThreshold = 9;  // tt on
    EXPECT_EQ(CompareSettings(e, base), 2);
    e = base;
    e.redScale = 1;  // scale off
    EXPECT_EQ(CompareSettings(e, base), 0);
    e.options |= opt::scale;
    EXPECT_EQ(CompareSettings(e, base), 2);
    // The edited record decides whether a step is on.
    EXPECT_EQ(CompareSettings(base, e), 2);  // the scale bit itself differs
    e = base;
    e.gammaExponent = 0.5f;
    EXPECT_EQ(CompareSettings(e, base), 1);
    e.options &= ~opt::gamma;
    EXPECT_EQ(CompareSettings(e, base), 1);  // the bit differs
}

TEST(ImportSettings, DifferenceMask) {
    const ImportSettings base = Defaults();
    ImportSettings now = base;
    EXPECT_EQ(DifferenceMask(base, now), 0u);
    now.method = 1;
    EXPECT_EQ(DifferenceMask(base, now), opt::methodChanged);

    now = base;
    now.options ^= opt::vflip | opt::asktt;
    EXPECT_EQ(DifferenceMask(base, now), opt::hflip | opt::vflip);
    now.options ^= 1u << opt::rotShift;
    EXPECT_EQ(DifferenceMask(base, now), opt::hflip | opt::vflip | opt::rotMask);

    now = base;
    now.options ^= opt::rgblevels | opt::black | opt::curves;
    EXPECT_EQ(DifferenceMask(base, now), opt::levels | opt::rgblevels | opt::black | opt::curves);

    // Parameters count only when their step is on in the current record.
    now = base;
    now.darkThreshold = 1;
    now.textureThreshold = 4;
    now.saturation = 2.0f;
    now.usmAmount = 1;
    now.redScale = 7;
    EXPECT_EQ(DifferenceMask(base, now), opt::levels | opt::rgblevels | opt::tt | opt::sat);
    now.options = opt::usm | opt::scale;
    ImportSettings before = base;
    before.options = opt::usm | opt::scale;
    EXPECT_EQ(DifferenceMask(before, now), opt::usm | opt::scale);
    before.options = now.options = 0;
    EXPECT_EQ(DifferenceMask(before, now), 0u);
}

}  // namespace
}  // namespace kyp
