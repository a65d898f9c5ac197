#include "engine/output/BitmapRender.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/Parallel.h"

namespace kyp {

namespace {

void GrayRow(const uint16_t* __restrict in, uint8_t* __restrict out, int32_t width) {
    for (int32_t x = 0; x < width; ++x) out[x] = SampleTo8Bit(in[x]);
}

void GreenRow(const uint16_t* __restrict in, uint8_t* __restrict out, int32_t width) {
    for (int32_t x = 0; x < width; ++x) out[x] = SampleTo8Bit(in[x * 3 + 1]);
}

// Sample triples (red, green, blue) to stored (blue, green, red): one
// vectorised pass over the row's samples, then red and blue change places
// (a stride-3 byte shuffle has no plain SSE2 form, a separate swap is cheaper).
void BgrRow(const uint16_t* __restrict in, uint8_t* __restrict out, int32_t width) {
    GrayRow(in, out, width * 3);
    for (int32_t x = 0; x < width; ++x, out += 3) {
        const uint8_t red = out[0];
        out[0] = out[2];
        out[2] = red;
    }
}

using RowConverter = void (*)(const uint16_t*, uint8_t*, int32_t);

constexpr size_t kRowsPerTick = 10;
// Rows per unit of work handed to a thread.
constexpr size_t kGrainRows = 32;

// The loop shared by the renderers: image row r goes to stored row
// height − 1 − r, padding bytes become 0, and tall pictures tick once before
// every row whose count of rows still to go is a multiple of 10.
bool Render(Bitmap& bitmap, const uint16_t* samples, int32_t width, int32_t height, int channels,
            RowConverter convert, size_t samplesPerRow, int32_t progressRows, ProgressCallback* progress) {
    if (!samples || width <= 0 || height <= 0 || !bitmap.create(width, height, channels)) return false;

    const bool reporting = progress != nullptr && height >= progressRows;
    if (reporting) {
        progress->SetText(kRenderProgressText);
        progress->Begin(height);
    }
    const size_t used = static_cast<size_t>(width) * bitmap.bytesPerPixel();
    const size_t padding = bitmap.stride() - used;
    // Rows go to the threads in ranges; the ticks stay on this thread.
    const auto rows = static_cast<size_t>(height);
    const bool done = TickedRanges(rows, kRowsPerTick, CountdownPhase(rows, kRowsPerTick),
                                   reporting ? progress : nullptr, kGrainRows,
                                   [&](size_t first, size_t end, unsigned) {
                                       for (size_t r = first; r < end; ++r) {
                                           uint8_t* out = bitmap.row(static_cast<int32_t>(r));
                                           convert(samples + r * samplesPerRow, out, width);
                                           if (padding != 0) std::memset(out + used, 0, padding);
                                       }
                                   });
    if (!done) bitmap.release();
    if (reporting) progress->End();
    return done;
}

}  // namespace

bool renderGray(Bitmap& bitmap, const uint16_t* samples, int32_t width, int32_t height,
                ProgressCallback* progress) {
    return Render(bitmap, samples, width, height, 1, GrayRow, static_cast<size_t>(std::max(width, 0)),
                  kRenderGrayProgressRows, progress);
}

bool renderColour(Bitmap& bitmap, const uint16_t* samples, int32_t width, int32_t height, bool grayFromGreen,
                  ProgressCallback* progress) {
    const size_t samplesPerRow = static_cast<size_t>(std::max(width, 0)) * 3;
    return Render(bitmap, samples, width, height, grayFromGreen ? 1 : 3, grayFromGreen ? GreenRow : BgrRow,
                  samplesPerRow, kRenderColourProgressRows, progress);
}

bool renderImage(Bitmap& bitmap, const ProcessedImage& image, bool grayFromGreen, ProgressCallback* progress) {
    constexpr uint32_t kMax = std::numeric_limits<int32_t>::max();
    if (image.width > kMax || image.height > kMax) return false;
    const auto width = static_cast<int32_t>(image.width);
    const auto height = static_cast<int32_t>(image.height);
    if (image.channels == 1) return renderGray(bitmap, image.samples, width, height, progress);
    if (image.channels == 3) return renderColour(bitmap, image.samples, width, height, grayFromGreen, progress);
    return false;
}

}  // namespace kyp
