#pragma once
#include <cstdint>

namespace kyp {

// The sensor's photosites, one 16-bit sample (0..1023) each, rows from the top.
// Site (x, y) is red when both are even, blue when both are odd, green otherwise.
// A view: the samples belong to the ProcessingSession.
struct RawMosaic {
    uint16_t* samples = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
};

// Colour index of site (x, y): 0 red, 1 green, 2 blue.
inline constexpr int SiteColour(uint32_t x, uint32_t y) { return static_cast<int>((x & 1) + (y & 1)); }

}  // namespace kyp
