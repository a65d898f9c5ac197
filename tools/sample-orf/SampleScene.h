#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kyp::sample {

// The picture a generated file shows, in linear light (0..1023 a channel) at
// sensor resolution: the built-in chart or a PPM/PGM photo stretched to fit.
//
// Chart, top to bottom: a grey ramp; a hue ramp fading to white; 6 × 4
// colour patches (the familiar colour-checker values); fine detail (zone
// plate, bars of 1 to 4 pixels, a slanted edge, a red/cyan checkerboard);
// red, green and blue ramps.
class SampleScene {
public:
    // Full scale of the scene: whites stay below the 10-bit ceiling so that the
    // camera's white balance does not clip them.
    static constexpr double kWhite = 1023.0 * 0.92;

    [[nodiscard]] bool loadChart(uint32_t width, uint32_t height);
    [[nodiscard]] bool loadPhoto(const std::string& path, uint32_t width, uint32_t height);

    // Linear red, green, blue of row y, 3 × width values.
    void renderRow(uint32_t y, uint16_t* rgb) const;

    // 8-bit sRGB-encoded pixels of a width × height picture of the scene
    // (for the embedded JPEG preview).
    void renderPreview(uint32_t width, uint32_t height, std::vector<uint8_t>& rgb) const;

private:
    void chartRow(uint32_t y, uint16_t* rgb) const;

    uint32_t width_ = 0;
    uint32_t height_ = 0;
    // chart: tables per column, built once
    std::vector<uint16_t> greyRamp_;    // linear value per column
    std::vector<uint16_t> hueEncoded_;  // sRGB-encoded hue (0..4095) per column, 3 a column
    std::vector<int16_t> patchColumn_;  // patch column 0..5, or -1 in a gap
    std::vector<uint16_t> encodedToLinear_;  // 4096 entries: encoded 0..4095 to linear
    // photo: source pixels (linear) and the column map
    uint32_t photoWidth_ = 0;
    uint32_t photoHeight_ = 0;
    std::vector<uint16_t> photo_;       // linear rgb, 3 a pixel
    std::vector<uint32_t> photoColumn_; // source column per sensor column
};

}  // namespace kyp::sample
