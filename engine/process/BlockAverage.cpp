#include "engine/process/BlockAverage.h"

#include <algorithm>
#include <cstddef>

namespace kyp {
namespace {

uint16_t Mean(uint64_t sum, uint64_t count) {
    if (count == 0) return 0;
    return static_cast<uint16_t>(std::min<uint64_t>(sum / count, 1023));
}

}  // namespace

void BlockAverage(const RawMosaic& mosaic, uint32_t column, uint32_t row, uint32_t columns,
                  uint32_t rows, uint16_t* red, uint16_t* green, uint16_t* blue) {
    uint64_t sums[3] = {0, 0, 0};
    uint64_t counts[3] = {0, 0, 0};
    if (mosaic.samples != nullptr && column < mosaic.width && row < mosaic.height) {
        columns = std::min(columns, mosaic.width - column);
        rows = std::min(rows, mosaic.height - row);
        // Within a row the sites alternate between two colours: the even
        // columns' (red on even rows, green on odd) and the odd columns'.
        const uint64_t evenColumns = (columns + ((column & 1) == 0 ? 1 : 0)) / 2;
        const uint64_t oddColumns = columns - evenColumns;
        for (uint32_t y = row; y < row + rows; ++y) {
            const uint16_t* site = mosaic.samples + static_cast<size_t>(y) * mosaic.width;
            uint64_t evenSum = 0;
            uint64_t oddSum = 0;
            uint32_t x = column;
            if ((x & 1) != 0 && x < column + columns) oddSum += site[x++];
            for (; x + 1 < column + columns; x += 2) {
                evenSum += site[x];
                oddSum += site[x + 1];
            }
            if (x < column + columns) evenSum += site[x];
            const int evenColour = SiteColour(0, y);
            sums[evenColour] += evenSum;
            counts[evenColour] += evenColumns;
            sums[evenColour + 1] += oddSum;
            counts[evenColour + 1] += oddColumns;
        }
    }
    if (red != nullptr) *red = Mean(sums[0], counts[0]);
    if (green != nullptr) *green = Mean(sums[1], counts[1]);
    if (blue != nullptr) *blue = Mean(sums[2], counts[2]);
}

}  // namespace kyp
