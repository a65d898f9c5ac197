#include "gui/pages/SharpenPreview.h"

#include <algorithm>

#include "engine/output/BitmapRender.h"
#include "engine/process/ProcessingSession.h"

namespace kyp {

PixelPoint KeepLoupeInside(PixelPoint centre, int32_t width, int32_t height) {
    const auto keep = [](int32_t value, int32_t size) {
        if (size < 2 * kLoupeHalf) return size / 2;
        return std::clamp(value, kLoupeHalf, size - kLoupeHalf);
    };
    return {keep(centre.x, width), keep(centre.y, height)};
}

PixelPoint LoupeCorner(const ProcessingSession& document, PixelPoint centre) {
    const ProcessedImage& full = document.FullImage();
    const ProcessedImage& output = document.FullOutput();
    const auto fullWidth = static_cast<int32_t>(full.width);
    const auto fullHeight = static_cast<int32_t>(full.height);
    const PixelPoint mapped = MapToFullImage(centre.x, centre.y, document.Settings().options,
                                             static_cast<int32_t>(output.width), static_cast<int32_t>(output.height),
                                             fullWidth, fullHeight);
    return {std::clamp(mapped.x - kLoupeHalf, 0, std::max(0, fullWidth - kLoupeSide)),
            std::clamp(mapped.y - kLoupeHalf, 0, std::max(0, fullHeight - kLoupeSide))};
}

bool BuildLoupe(ProcessingSession& own, const ProcessingSession& document, PixelPoint centre,
                const LoupeSharpening& sharpening, Bitmap& picture) {
    if (document.FullImage().samples == nullptr || document.FullOutput().samples == nullptr) {
        picture.release();
        return false;
    }
    const PixelPoint corner = LoupeCorner(document, centre);
    if (!own.DeriveRegion(document, corner.x, corner.y, kLoupeSide, kLoupeSide)) {
        picture.release();
        return false;
    }
    ImportSettings settings = document.Settings();
    if (sharpening.on) {
        settings.options |= opt::usm;
        settings.usmAmount = sharpening.amount;
        settings.usmRadius = sharpening.radius;
        settings.usmThreshold = sharpening.threshold;
    } else {
        settings.options &= ~opt::usm;
    }
    own.SetSettings(settings);
    const RunResult result = own.Process(false);
    const ProcessedImage& image = own.FullOutput();
    if (result == RunResult::failed || result == RunResult::cancelled || image.samples == nullptr ||
        !renderImage(picture, image, (settings.options & opt::gray) != 0, nullptr)) {
        picture.release();
        return false;
    }
    return true;
}

}  // namespace kyp
