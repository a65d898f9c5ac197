#include <gtest/gtest.h>

#include <functional>

#include "engine/settings/ImportSettings.h"

namespace kyp {
namespace {

ImportSettings Defaults() {
    ImportSettings s;
    SetDefaults(s);
    return s;
}

using Edit = std::function<void(ImportSettings&)>;

// CompareSettings(edited, before): 0 nothing to redo, 1 the steps after
// interpolation, 2 everything. Each case edits the defaults into before and
// edited; a parameter counts only when the edited record has its step on.
TEST(ImportSettings, ChangeLevels) {
    struct Case {
        const char* what;
        Edit before, edited;
        int level;
    };
    const Edit none = [](ImportSettings&) {};
    const Case cases[] = {
        {"same", none, none, 0},
        {"asktt is stored, never compared", none, [](auto& s) { s.options ^= opt::asktt; }, 0},
        {"dark threshold, levels on", [](auto& s) { s.options = opt::rgblevels; },
         [](auto& s) { s.options = opt::rgblevels, s.darkThreshold = 5; }, 1},
        {"dark threshold, levels off", [](auto& s) { s.options = 0; }, [](auto& s) { s.options = 0, s.darkThreshold = 5; }, 0},
        {"usm radius, usm off", none, [](auto& s) { s.usmRadius = 3.0f; }, 0},
        {"usm radius, usm on", none, [](auto& s) { s.usmRadius = 3.0f, s.options |= opt::usm; }, 1},
        {"usm radius, usm on in both", [](auto& s) { s.options |= opt::usm; },
         [](auto& s) { s.usmRadius = 3.0f, s.options |= opt::usm; }, 1},
        {"method, no option", [](auto& s) { s.options = 0; }, [](auto& s) { s.options = 0, s.method = method::bilinear; }, 2},
        {"method, defaults", none, [](auto& s) { s.method = method::bilinear; }, 2},
        {"method, every option", [](auto& s) { s.options = opt::meaningful; },
         [](auto& s) { s.options = opt::meaningful, s.method = method::bilinear; }, 2},
        {"wb bit", none, [](auto& s) { s.options ^= opt::wb; }, 2},
        {"hflip bit", none, [](auto& s) { s.options ^= opt::hflip; }, 1},
        {"tt threshold, tt on", none, [](auto& s) { s.textureThreshold = 9; }, 2},
        {"red scale, scale off", none, [](auto& s) { s.redScale = 1; }, 0},
        {"red scale and scale bit", none, [](auto& s) { s.redScale = 1, s.options |= opt::scale; }, 2},
        {"scale bit in before only", [](auto& s) { s.redScale = 1, s.options |= opt::scale; }, none, 2},
        {"gamma exponent", none, [](auto& s) { s.gammaExponent = 0.5f; }, 1},
        {"gamma bit", none, [](auto& s) { s.gammaExponent = 0.5f, s.options &= ~opt::gamma; }, 1},
    };
    for (const Case& c : cases) {
        ImportSettings before = Defaults(), edited = Defaults();
        c.before(before);
        c.edited(edited);
        EXPECT_EQ(CompareSettings(edited, before), c.level) << c.what;
    }
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
