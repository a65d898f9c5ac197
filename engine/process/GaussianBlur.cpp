#include "engine/process/GaussianBlur.h"

#include <algorithm>
#include <cstddef>

namespace kyp {

namespace {

// Progress rhythm of both passes, in rows or columns still to do.
constexpr size_t kTickLines = 20;

// The vertical pass gathers this many pixel columns at a time, so the image is read
// and written in short row runs rather than one sample per row; the arithmetic per
// column is the same as one column at a time.
constexpr size_t kStripColumns = 16;

// Horizontal pass over one row; rows are independent of each other.
void BlurRow(uint16_t* destination, const ProcessedImage& image, const GaussianKernel& kernel, size_t y) {
    const size_t rowSamples = size_t{image.width} * image.channels;
    ConvolveLine(destination + y * rowSamples, image.samples + y * rowSamples, image.width,
                 kernel, image.channels);
}

// Copies pixel columns [first, first + count) of `samples` into `strip`, one column
// after another, each column height x channels samples long.
void GatherColumns(uint16_t* strip, const uint16_t* samples, size_t width, size_t height, size_t channels,
                   size_t first, size_t count) {
    const size_t columnSamples = height * channels;
    for (size_t y = 0; y < height; ++y) {
        const uint16_t* source = samples + (y * width + first) * channels;
        for (size_t k = 0; k < count; ++k)
            for (size_t c = 0; c < channels; ++c) strip[k * columnSamples + y * channels + c] = source[k * channels + c];
    }
}

void ScatterColumns(uint16_t* samples, const uint16_t* strip, size_t width, size_t height, size_t channels,
                    size_t first, size_t count) {
    const size_t columnSamples = height * channels;
    for (size_t y = 0; y < height; ++y) {
        uint16_t* target = samples + (y * width + first) * channels;
        for (size_t k = 0; k < count; ++k)
            for (size_t c = 0; c < channels; ++c) target[k * channels + c] = strip[k * columnSamples + y * channels + c];
    }
}

}  // namespace

int GaussianBlur(uint16_t* destination, const ProcessedImage& image, float radius, ProgressCallback* progress,
                 BlurBuffers& buffers) {
    if (!BuildGaussianKernel(buffers.kernel, radius) || buffers.kernel.taps() < 3) return blur::kNotNeeded;
    if (image.channels != 1 && image.channels != 3) return blur::kFailed;

    const size_t width = image.width;
    const size_t height = image.height;
    const size_t channels = image.channels;
    if (width == 0 || height == 0) return blur::kBlurred;
    if (destination == nullptr || image.samples == nullptr) return blur::kFailed;

    // Two strips of up to kStripColumns columns: the gathered input and the output.
    const size_t stripColumns = std::min(kStripColumns, width);
    const size_t columnSamples = height * channels;
    if (!buffers.columns.Reserve(2 * stripColumns * columnSamples)) return blur::kFailed;
    uint16_t* stripIn = buffers.columns.data();
    uint16_t* stripOut = stripIn + stripColumns * columnSamples;

    // Horizontal pass: image rows into destination rows.
    for (size_t y = 0; y < height; ++y) {
        if ((height - 1 - y) % kTickLines == 0 && !Tick(progress)) return blur::kFailed;
        BlurRow(destination, image, buffers.kernel, y);
    }

    // Vertical pass: the destination's columns, a strip at a time.
    for (size_t first = 0; first < width; first += stripColumns) {
        const size_t count = std::min(stripColumns, width - first);
        GatherColumns(stripIn, destination, width, height, channels, first, count);
        for (size_t k = 0; k < count; ++k) {
            const size_t x = first + k;
            if ((width - 1 - x) % kTickLines == 0 && !Tick(progress)) return blur::kFailed;
            ConvolveLine(stripOut + k * columnSamples, stripIn + k * columnSamples, image.height, buffers.kernel,
                         image.channels);
        }
        ScatterColumns(destination, stripOut, width, height, channels, first, count);
    }
    return blur::kBlurred;
}

int GaussianBlur(uint16_t* destination, const ProcessedImage& image, float radius, ProgressCallback* progress) {
    BlurBuffers buffers;
    return GaussianBlur(destination, image, radius, progress, buffers);
}

}  // namespace kyp
