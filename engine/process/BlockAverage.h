#pragma once
#include <cstdint>

#include "engine/raw/RawMosaic.h"

namespace kyp {

// Mean of each colour over the columns x rows block of sites whose top-left
// site is (column, row), colours from the absolute site position. Each mean
// is the colour's sum divided by its count (truncating), at most 1023. The
// block is cut at the mosaic's edges; a colour with no site in the block gets
// 0. Result places may be null.
void BlockAverage(const RawMosaic& mosaic, uint32_t column, uint32_t row, uint32_t columns,
                  uint32_t rows, uint16_t* red, uint16_t* green, uint16_t* blue);

}  // namespace kyp
