#include "engine/process/FlipRotate.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/Parallel.h"

namespace kyp {

namespace {

// Swaps pixel i of row a with pixel count-1-i of row b, for i below `count`
// (a == b with count = width / 2 reverses one row in place).
template <size_t Channels>
void SwapMirrored(uint16_t* a, uint16_t* b, size_t width, size_t count) {
    uint16_t* left = a;
    uint16_t* right = b + (width - 1) * Channels;
    for (size_t i = 0; i < count; ++i, left += Channels, right -= Channels)
        for (size_t c = 0; c < Channels; ++c) std::swap(left[c], right[c]);
}

void SwapMirrored(uint16_t* a, uint16_t* b, size_t width, size_t count, size_t channels) {
    if (channels == 3) return SwapMirrored<3>(a, b, width, count);
    if (channels == 1) return SwapMirrored<1>(a, b, width, count);
    uint16_t* left = a;
    uint16_t* right = b + (width - 1) * channels;
    for (size_t i = 0; i < count; ++i, left += channels, right -= channels)
        std::swap_ranges(left, left + channels, right);
}

// Rotations copy in square tiles so both the rows read and the columns written stay
// in cache; the order of the copies does not change the result.
constexpr size_t kTile = 64;
// Samples per unit of work of the flips.
constexpr size_t kGrainSamples = 65536;

// Odd quarter turns. The destination is height x width pixels (new width = source
// height). q = 1: destination (H-1-r, x) = source (x, r); q = 3: destination
// (r, W-1-x) = source (x, r).
// Rows of tiles go to the threads: each writes its own destination columns.
template <size_t Channels>
void Transpose(uint16_t* destination, const uint16_t* source, size_t width, size_t height, bool clockwise) {
    const size_t newWidth = height;
    ParallelFor((height + kTile - 1) / kTile, [&](size_t tileRow, unsigned) {
        const size_t r0 = tileRow * kTile;
        const size_t r1 = std::min(height, r0 + kTile);
        for (size_t x0 = 0; x0 < width; x0 += kTile) {
            const size_t x1 = std::min(width, x0 + kTile);
            for (size_t r = r0; r < r1; ++r) {
                const uint16_t* in = source + (r * width + x0) * Channels;
                for (size_t x = x0; x < x1; ++x, in += Channels) {
                    const size_t column = clockwise ? newWidth - 1 - r : r;
                    const size_t row = clockwise ? x : width - 1 - x;
                    uint16_t* out = destination + (row * newWidth + column) * Channels;
                    for (size_t c = 0; c < Channels; ++c) out[c] = in[c];
                }
            }
        }
    });
}

void TransposeAny(uint16_t* destination, const uint16_t* source, size_t width, size_t height, size_t channels,
                  bool clockwise) {
    const size_t newWidth = height;
    for (size_t r = 0; r < height; ++r)
        for (size_t x = 0; x < width; ++x) {
            const size_t column = clockwise ? newWidth - 1 - r : r;
            const size_t row = clockwise ? x : width - 1 - x;
            std::memcpy(destination + (row * newWidth + column) * channels, source + (r * width + x) * channels,
                        channels * sizeof(uint16_t));
        }
}

}  // namespace

bool FlipImage(ProcessedImage& image, bool horizontal, bool vertical) {
    if (!horizontal && !vertical) return false;
    const size_t width = image.width;
    const size_t height = image.height;
    const size_t channels = image.channels;
    if (width == 0 || height == 0 || channels == 0 || image.samples == nullptr) return true;
    const size_t rowSamples = width * channels;
    const auto row = [&](size_t y) { return image.samples + y * rowSamples; };

    // Rows (or pairs of rows) are independent: ranges of them go to the threads.
    const size_t grain = std::max<size_t>(1, kGrainSamples / rowSamples);
    if (horizontal && !vertical) {
        ParallelRanges(height, grain, [&](size_t first, size_t end, unsigned) {
            for (size_t y = first; y < end; ++y) SwapMirrored(row(y), row(y), width, width / 2, channels);
        });
    } else if (vertical && !horizontal) {
        ParallelRanges(height / 2, grain, [&](size_t first, size_t end, unsigned) {
            for (size_t y = first; y < end; ++y) std::swap_ranges(row(y), row(y) + rowSamples, row(height - 1 - y));
        });
    } else {
        // Both: (x, y) with (width-1-x, height-1-y); an odd middle row mirrors in place.
        ParallelRanges(height / 2, grain, [&](size_t first, size_t end, unsigned) {
            for (size_t y = first; y < end; ++y) SwapMirrored(row(y), row(height - 1 - y), width, width, channels);
        });
        if (height % 2 != 0) SwapMirrored(row(height / 2), row(height / 2), width, width / 2, channels);
    }
    return true;
}

bool RotateImage(ProcessedImage& destination, const ProcessedImage& source, int q) {
    if (q < -4 || q > 4) return false;
    if (source.byteSize > destination.byteSize) return false;
    // The byte size is all the caller promises about the blocks, so it must cover
    // the pixels that will be read and written.
    const uint64_t needed = uint64_t{source.width} * source.height * source.channels * sizeof(uint16_t);
    if (source.byteSize < 0 || needed > static_cast<uint64_t>(source.byteSize)) return false;
    const int turns = ((q % 4) + 4) % 4;  // -1 is three clockwise quarter turns, and so on
    if (needed != 0 && (source.samples == nullptr || destination.samples == nullptr)) return false;
    if (turns % 2 != 0 && needed != 0 && source.samples == destination.samples) return false;

    uint16_t* samples = destination.samples;
    destination = source;
    destination.samples = samples;
    if (needed == 0) {
        if (turns % 2 != 0) std::swap(destination.width, destination.height);
        return true;
    }

    const size_t width = source.width;
    const size_t height = source.height;
    const size_t channels = source.channels;
    if (turns % 2 == 0) {
        if (samples != source.samples) {
            const uint16_t* from = source.samples;
            ParallelRanges(static_cast<size_t>(needed) / 2, kGrainSamples, [&](size_t first, size_t end, unsigned) {
                std::memcpy(samples + first, from + first, (end - first) * sizeof(uint16_t));
            });
        }
        if (turns == 2) (void)FlipImage(destination, true, true);
        return true;
    }
    const bool clockwise = turns == 1;
    if (channels == 3) {
        Transpose<3>(samples, source.samples, width, height, clockwise);
    } else if (channels == 1) {
        Transpose<1>(samples, source.samples, width, height, clockwise);
    } else {
        TransposeAny(samples, source.samples, width, height, channels, clockwise);
    }
    destination.width = source.height;
    destination.height = source.width;
    return true;
}

}  // namespace kyp
