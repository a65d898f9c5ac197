#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

namespace kyp {

// One step that works on each sample (or each whole pixel) alone, on a run of
// count samples of an image: steps of this kind can go over the image
// together, band by band, while each band is in the cache.
using BandStep = std::function<void(uint16_t* samples, size_t count)>;

}  // namespace kyp
