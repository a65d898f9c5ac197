#pragma once
#include <cstdint>

namespace kyp {

// What the camera wrote into its Olympus maker note, with the defaults that
// stand when a tag is missing.
struct CameraSettings {
    uint16_t whiteBalanceMode = 0;   // index 0..8 into the white-balance names
    uint16_t redBalance = 256;       // relative to green, 256 = 1.0
    uint16_t blueBalance = 256;
    int16_t colourMatrix[9] = {256, 0, 0, 0, 256, 0, 0, 0, 256};  // row by row, 256 = 1.0
    uint16_t blackLevels[4] = {0, 0, 0, 0};                       // as stored
};

}  // namespace kyp
