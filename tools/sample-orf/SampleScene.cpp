#include "tools/sample-orf/SampleScene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace kyp::sample {

namespace {

constexpr double kPi = 3.14159265358979323846;

double SrgbToLinear(double e) { return e <= 0.04045 ? e / 12.92 : std::pow((e + 0.055) / 1.055, 2.4); }
double LinearToSrgb(double l) { return l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1 / 2.4) - 0.055; }

uint16_t ToScene(double linear) {
    return static_cast<uint16_t>(std::lround(std::clamp(linear, 0.0, 1.0) * SampleScene::kWhite));
}

// The 24 patches of the usual colour checker, 8-bit sRGB, row by row.
constexpr uint8_t kPatches[24][3] = {
    {115, 82, 68},   {194, 150, 130}, {98, 122, 157},  {87, 108, 67},   {133, 128, 177}, {103, 189, 170},
    {214, 126, 44},  {80, 91, 166},   {193, 90, 99},   {94, 60, 108},   {157, 188, 64},  {224, 163, 46},
    {56, 61, 150},   {70, 148, 73},   {175, 54, 60},   {231, 199, 31},  {187, 86, 149},  {8, 133, 161},
    {243, 243, 242}, {200, 200, 200}, {160, 160, 160}, {122, 122, 121}, {85, 85, 85},    {52, 52, 52}};

// Band limits of the chart, in rows.
struct Bands {
    uint32_t grey, hue, patches, detail;  // each band ends before its value
    explicit Bands(uint32_t h)
        : grey(h * 12 / 100), hue(h * 24 / 100), patches(h * 64 / 100), detail(h * 84 / 100) {}
};

// Reads one whitespace- and comment-separated number of a PPM/PGM header.
bool ReadHeaderNumber(std::FILE* f, uint32_t& out) {
    int c = std::fgetc(f);
    while (c == '#' || c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        if (c == '#') {
            while (c != '\n' && c != EOF) c = std::fgetc(f);
        }
        c = std::fgetc(f);
    }
    if (c < '0' || c > '9') return false;
    uint64_t value = 0;
    while (c >= '0' && c <= '9') {
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > 0xFFFFFF) return false;
        c = std::fgetc(f);
    }
    out = static_cast<uint32_t>(value);
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';  // one whitespace ends the header field
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool SampleScene::loadChart(uint32_t width, uint32_t height) {
    if (width == 0 || height == 0) return false;
    width_ = width;
    height_ = height;
    photo_.clear();

    encodedToLinear_.resize(4096);
    for (uint32_t i = 0; i < 4096; ++i) encodedToLinear_[i] = ToScene(SrgbToLinear(i / 4095.0));

    greyRamp_.resize(width);
    hueEncoded_.resize(size_t{width} * 3);
    patchColumn_.resize(width);
    const uint32_t gap = std::max<uint32_t>(1, width / 150);
    const uint32_t patchWidth = std::max<uint32_t>(1, width / 6);
    for (uint32_t x = 0; x < width; ++x) {
        const double u = width > 1 ? x / double(width - 1) : 0.0;
        // Even steps on screen: the ramp is linear in encoded values.
        greyRamp_[x] = encodedToLinear_[static_cast<size_t>(std::lround(u * 4095))];
        const double hue = u * 6.0;
        for (int c = 0; c < 3; ++c) {
            // Hexcone: each channel is a triangle wave of the hue, phase 0, 4, 2 for r, g, b.
            const double phase = std::fmod(hue + (c == 0 ? 0.0 : c == 1 ? 4.0 : 2.0), 6.0);
            const double level = std::clamp(std::abs(phase - 3.0) - 1.0, 0.0, 1.0);
            hueEncoded_[size_t{x} * 3 + static_cast<size_t>(c)] = static_cast<uint16_t>(std::lround(level * 4095));
        }
        const uint32_t column = x / patchWidth;
        const uint32_t within = x % patchWidth;
        patchColumn_[x] = (column < 6 && within >= gap) ? static_cast<int16_t>(column) : int16_t{-1};
    }
    return true;
}

bool SampleScene::loadPhoto(const std::string& path, uint32_t width, uint32_t height) {
    if (width == 0 || height == 0) return false;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    char magic[2];
    if (std::fread(magic, 1, 2, file.get()) != 2 || magic[0] != 'P' || (magic[1] != '5' && magic[1] != '6')) {
        return false;
    }
    const int channels = magic[1] == '6' ? 3 : 1;
    uint32_t w = 0, h = 0, maxval = 0;
    if (!ReadHeaderNumber(file.get(), w) || !ReadHeaderNumber(file.get(), h) ||
        !ReadHeaderNumber(file.get(), maxval) || w == 0 || h == 0 || maxval == 0 || maxval > 65535 ||
        uint64_t{w} * h > (uint64_t{1} << 28)) {
        return false;
    }
    const size_t bytesPerValue = maxval < 256 ? 1 : 2;
    std::vector<uint8_t> raw(size_t{w} * h * static_cast<size_t>(channels) * bytesPerValue);
    if (std::fread(raw.data(), 1, raw.size(), file.get()) != raw.size()) return false;

    std::vector<uint16_t> linear(maxval + size_t{1});
    for (uint32_t i = 0; i <= maxval; ++i) linear[i] = ToScene(SrgbToLinear(double(i) / maxval));
    photo_.resize(size_t{w} * h * 3);
    for (size_t i = 0; i < size_t{w} * h; ++i) {
        for (int c = 0; c < 3; ++c) {
            const size_t k = i * static_cast<size_t>(channels) + static_cast<size_t>(channels == 3 ? c : 0);
            uint32_t v = bytesPerValue == 1 ? raw[k] : (uint32_t{raw[2 * k]} << 8 | raw[2 * k + 1]);
            photo_[i * 3 + static_cast<size_t>(c)] = linear[std::min(v, maxval)];
        }
    }
    photoWidth_ = w;
    photoHeight_ = h;
    width_ = width;
    height_ = height;
    photoColumn_.resize(width);
    for (uint32_t x = 0; x < width; ++x) photoColumn_[x] = static_cast<uint32_t>(uint64_t{x} * w / width);
    return true;
}

void SampleScene::renderRow(uint32_t y, uint16_t* rgb) const {
    if (photo_.empty()) {
        chartRow(y, rgb);
        return;
    }
    const uint32_t sy = static_cast<uint32_t>(uint64_t{y} * photoHeight_ / height_);
    const uint16_t* source = photo_.data() + size_t{sy} * photoWidth_ * 3;
    for (uint32_t x = 0; x < width_; ++x) {
        const uint16_t* p = source + size_t{photoColumn_[x]} * 3;
        rgb[3 * x] = p[0];
        rgb[3 * x + 1] = p[1];
        rgb[3 * x + 2] = p[2];
    }
}

void SampleScene::chartRow(uint32_t y, uint16_t* rgb) const {
    const Bands bands(height_);
    const auto fill = [rgb](uint32_t x, uint16_t r, uint16_t g, uint16_t b) {
        rgb[3 * x] = r;
        rgb[3 * x + 1] = g;
        rgb[3 * x + 2] = b;
    };

    if (y < bands.grey) {
        for (uint32_t x = 0; x < width_; ++x) fill(x, greyRamp_[x], greyRamp_[x], greyRamp_[x]);
    } else if (y < bands.hue) {
        // Saturation falls from full at the top of the band to none at the bottom.
        const uint32_t span = std::max<uint32_t>(1, bands.hue - bands.grey);
        const uint32_t s = 4095 - (y - bands.grey) * 4095 / span;
        for (uint32_t x = 0; x < width_; ++x) {
            for (uint32_t c = 0; c < 3; ++c) {
                const uint32_t e = (hueEncoded_[3 * x + c] * s + 4095 * (4095 - s)) / 4095;
                rgb[3 * x + c] = encodedToLinear_[e];
            }
        }
    } else if (y < bands.patches) {
        const uint32_t rowHeight = std::max<uint32_t>(1, (bands.patches - bands.hue) / 4);
        const uint32_t row = (y - bands.hue) / rowHeight;
        const bool gapRow = row >= 4 || (y - bands.hue) % rowHeight < std::max<uint32_t>(1, width_ / 150);
        const uint16_t dark = encodedToLinear_[40 * 4095 / 255];
        for (uint32_t x = 0; x < width_; ++x) {
            const int column = patchColumn_[x];
            if (gapRow || column < 0) {
                fill(x, dark, dark, dark);
            } else {
                const uint8_t* p = kPatches[row * 6 + static_cast<uint32_t>(column)];
                fill(x, encodedToLinear_[p[0] * 4095 / 255], encodedToLinear_[p[1] * 4095 / 255],
                     encodedToLinear_[p[2] * 4095 / 255]);
            }
        }
    } else if (y < bands.detail) {
        const uint32_t ly = y - bands.patches;
        const uint32_t dh = std::max<uint32_t>(1, bands.detail - bands.patches);
        const uint32_t third = std::max<uint32_t>(1, width_ / 3);
        // Zone plate: cos(pi r^2 / n) reaches the Nyquist frequency at radius n / 2.
        const int64_t cx = third / 2, cy = dh / 2;
        const int64_t n = std::max<int64_t>(2, std::min<int64_t>(third, dh));
        const int64_t dy = int64_t{ly} - cy;
        for (uint32_t x = 0; x < width_; ++x) {
            uint16_t v;
            if (x < third) {
                const int64_t dx = int64_t{x} - cx;
                v = static_cast<uint16_t>(std::lround(470 + 400 * std::cos(kPi * double(dx * dx + dy * dy) / double(n))));
            } else if (x < 2 * third) {
                // Four groups of bars 1, 2, 3 and 4 pixels wide; vertical above, horizontal below.
                const uint32_t local = x - third;
                const uint32_t bar = std::min<uint32_t>(3, local * 4 / third) + 1;
                const bool on = ly < dh / 2 ? (local / bar) & 1 : (ly / bar) & 1;
                v = on ? 850 : 60;
            } else if (ly < dh / 2) {
                // An edge 5 degrees off vertical (tan 5 degrees is about 0.0875).
                const int64_t ex = int64_t{x} - 2 * int64_t{third} - int64_t{third} / 2;
                v = ex * 1000 > (int64_t{ly} - int64_t{dh} / 4) * 87 ? 850 : 60;
            } else {
                if ((x + y) & 1) {
                    fill(x, 800, 60, 60);
                } else {
                    fill(x, 60, 800, 800);
                }
                continue;
            }
            fill(x, v, v, v);
        }
    } else {
        const uint32_t bandHeight = std::max<uint32_t>(1, (height_ - bands.detail) / 3);
        const uint32_t channel = std::min<uint32_t>(2, (y - bands.detail) / bandHeight);
        for (uint32_t x = 0; x < width_; ++x) {
            fill(x, 0, 0, 0);
            rgb[3 * x + channel] = greyRamp_[x];
        }
    }
}

void SampleScene::renderPreview(uint32_t width, uint32_t height, std::vector<uint8_t>& rgb) const {
    rgb.assign(size_t{width} * height * 3, 0);
    uint16_t encode[1024];
    for (uint32_t i = 0; i < 1024; ++i) {
        encode[i] = static_cast<uint16_t>(std::lround(255 * LinearToSrgb(std::min(1.0, i / kWhite))));
    }
    std::vector<uint16_t> row(size_t{width_} * 3);
    for (uint32_t py = 0; py < height; ++py) {
        const uint32_t y = static_cast<uint32_t>((2 * uint64_t{py} + 1) * height_ / (2 * uint64_t{height}));
        renderRow(std::min(y, height_ - 1), row.data());
        for (uint32_t px = 0; px < width; ++px) {
            const uint32_t x = static_cast<uint32_t>((2 * uint64_t{px} + 1) * width_ / (2 * uint64_t{width}));
            for (int c = 0; c < 3; ++c) {
                const uint16_t v = row[size_t{std::min(x, width_ - 1)} * 3 + static_cast<size_t>(c)];
                rgb[(size_t{py} * width + px) * 3 + static_cast<size_t>(c)] =
                    static_cast<uint8_t>(encode[std::min<uint16_t>(v, 1023)]);
            }
        }
    }
}

}  // namespace kyp::sample
