#include "gui/frame/LastRun.h"

#include <algorithm>

namespace kyp {

void LastRun::Record(const ImportSettings& settings, const CurveArray& curves, bool textureDeclined) {
    settings_ = settings;
    curves_ = curves;
    textureDeclined_ = textureDeclined;
    valid_ = true;
}

int LastRun::Difference(const ImportSettings& settings, const CurveArray& curves) const {
    if (!valid_) return 2;
    const uint32_t options = settings.options;
    int level = CompareSettings(settings, settings_);
    if (curves != curves_) {
        if ((options & opt::rawcurves) != 0) level = 2;
        if ((options & opt::curves) != 0) level = std::max(level, 1);
    }
    // A repair the user declined when asked holds only while the page still asks.
    if (textureDeclined_ && (options & opt::tt) != 0 && (options & opt::asktt) == 0) level = 2;
    return level;
}

}  // namespace kyp
