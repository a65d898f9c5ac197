#include "gui/view/Sampler.h"

#include <algorithm>

#include "engine/output/Bitmap.h"
#include "engine/process/ProcessedImage.h"
#include "engine/process/ProcessingSession.h"
#include "engine/settings/ImportSettings.h"

namespace kyp {

int32_t NormalSampleSize(uint32_t stored) { return stored == 3 || stored == 5 ? static_cast<int32_t>(stored) : 1; }

PixelPoint MapToFullImage(int32_t x, int32_t y, uint32_t options, int32_t processedWidth, int32_t processedHeight,
                          int32_t fullWidth, int32_t fullHeight) {
    const int32_t x1 = (options & opt::hflip) != 0 ? processedWidth - 1 - x : x;
    const int32_t y1 = (options & opt::vflip) != 0 ? processedHeight - 1 - y : y;
    PixelPoint point;
    switch ((options & opt::rotMask) >> opt::rotShift) {
        case 1: point = {y1, fullHeight - 1 - x1}; break;
        case 2: point = {processedWidth - 1 - x1, processedHeight - 1 - y1}; break;
        case 3: point = {fullWidth - 1 - y1, x1}; break;
        default: point = {x1, y1}; break;
    }
    point.x = std::clamp(point.x, 0, std::max(0, fullWidth - 1));
    point.y = std::clamp(point.y, 0, std::max(0, fullHeight - 1));
    return point;
}

int32_t LinearLuminance(int32_t red, int32_t green, int32_t blue) {
    return (13933 * red + 46871 * green + 4732 * blue) >> 16;
}

int32_t GammaLuminance(int32_t red, int32_t green, int32_t blue) {
    return (19595 * red + 38470 * green + 7471 * blue) >> 16;
}

namespace {

// The truncated mean of each channel over the size × size square whose
// top-left pixel is (left, top); the square lies inside the image. A grey
// image gives its value three times.
void MeanOver(const ProcessedImage& image, int32_t left, int32_t top, int32_t size, uint16_t out[3]) {
    const uint32_t channels = image.channels;
    uint64_t sum[3] = {0, 0, 0};
    for (int32_t row = top; row < top + size; ++row) {
        const uint16_t* pixel = image.samples + (size_t{static_cast<uint32_t>(row)} * image.width +
                                                 static_cast<uint32_t>(left)) * channels;
        for (int32_t column = 0; column < size; ++column, pixel += channels) {
            for (uint32_t c = 0; c < 3; ++c) sum[c] += pixel[channels == 3 ? c : 0];
        }
    }
    const uint64_t count = static_cast<uint64_t>(size) * static_cast<uint64_t>(size);
    for (int c = 0; c < 3; ++c) out[c] = static_cast<uint16_t>(sum[c] / count);
}

// The square's top-left corner for a pixel: moved up and left by half the
// size, then back inside an image of width × height.
PixelPoint SquareCorner(int32_t x, int32_t y, int32_t size, int32_t width, int32_t height) {
    const int32_t half = size / 2;
    return {std::clamp(x - half, 0, std::max(0, width - size)), std::clamp(y - half, 0, std::max(0, height - size))};
}

}  // namespace

SampleRecord TakeSample(const ProcessingSession& session, const Bitmap& rendering, int32_t x, int32_t y,
                        int32_t sampleSize, bool busy) {
    SampleRecord record;
    record.sampleSize = sampleSize == 3 || sampleSize == 5 ? sampleSize : 1;
    const ProcessedImage& full = session.FullImage();
    const ProcessedImage& output = session.FullOutput();
    const bool usable = full.samples != nullptr && output.samples != nullptr && full.width > 0 && full.height > 0 &&
                        (full.channels == 1 || full.channels == 3) && (output.channels == 1 || output.channels == 3);
    if (x < 0 || y < 0 || busy || !usable || static_cast<uint32_t>(x) >= output.width ||
        static_cast<uint32_t>(y) >= output.height) {
        return record;
    }
    const int32_t width = static_cast<int32_t>(output.width);
    const int32_t height = static_cast<int32_t>(output.height);
    const int32_t size = std::min({record.sampleSize, width, height});
    record.x = x;
    record.y = y;

    // The square in the processed image, and the same pixels in the full image:
    // its centre maps back, and the square is rebuilt around the mapped point.
    const PixelPoint corner = SquareCorner(x, y, size, width, height);
    const int32_t half = size / 2;
    const PixelPoint centre = MapToFullImage(corner.x + half, corner.y + half, session.Settings().options, width,
                                             height, static_cast<int32_t>(full.width),
                                             static_cast<int32_t>(full.height));
    const int32_t fullSize = std::min({size, static_cast<int32_t>(full.width), static_cast<int32_t>(full.height)});
    const PixelPoint fullCorner = SquareCorner(centre.x, centre.y, fullSize, static_cast<int32_t>(full.width),
                                               static_cast<int32_t>(full.height));
    MeanOver(full, fullCorner.x, fullCorner.y, fullSize, record.interpolated);
    MeanOver(output, corner.x, corner.y, size, record.processed);
    const PixelRgb shown = rendering.averageAt(corner.x, corner.y, size, size);
    record.displayed[0] = static_cast<uint8_t>(shown.red);
    record.displayed[1] = static_cast<uint8_t>(shown.green);
    record.displayed[2] = static_cast<uint8_t>(shown.blue);

    const bool gamma = (session.Settings().options & opt::gamma) != 0;
    const auto outputLuminance = gamma ? GammaLuminance : LinearLuminance;
    record.interpolatedK = LinearLuminance(record.interpolated[0], record.interpolated[1], record.interpolated[2]);
    record.processedK = outputLuminance(record.processed[0], record.processed[1], record.processed[2]);
    record.displayedK = outputLuminance(record.displayed[0], record.displayed[1], record.displayed[2]);
    return record;
}

}  // namespace kyp
