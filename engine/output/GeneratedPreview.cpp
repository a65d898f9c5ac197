#include "engine/output/GeneratedPreview.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/output/BitmapRender.h"
#include "engine/output/JpegPreview.h"
#include "engine/process/ColourMatrix.h"
#include "engine/process/GammaTable.h"
#include "engine/process/Levels.h"
#include "engine/process/RawCorrections.h"
#include "engine/process/TableApply.h"
#include "engine/process/demosaic/DemosaicReduced.h"
#include "engine/raw/CameraInfo.h"
#include "engine/raw/RawLoad.h"
#include "engine/raw/RawSampleBlock.h"
#include "engine/raw/TiffDocument.h"
#include "platform/LargeBlock.h"

namespace kyp {

namespace {

// The reduced image's samples come from the heap, through the pair the
// sessions use by default; released with its release function.
struct HeapImage {
    ProcessedImage image;
    ~HeapImage() { ReleaseLargeBlock(image.samples); }
};

}  // namespace

void luminanceBounds(const ProcessedImage& image, uint16_t& lowest, uint16_t& highest) {
    lowest = 1023;
    highest = 0;
    if (image.channels != 3 || image.samples == nullptr) return;
    const size_t pixels = static_cast<size_t>(image.width) * image.height;
    const size_t whole = pixels - pixels % 8;
    const uint16_t* sample = image.samples;
    for (size_t i = 0; i < whole; ++i, sample += 3) {
        const uint32_t k = (13933u * sample[0] + 46871u * sample[1] + 4732u * sample[2]) >> 16;
        lowest = std::min<uint16_t>(lowest, static_cast<uint16_t>(k));
        highest = std::max<uint16_t>(highest, static_cast<uint16_t>(k));
    }
}

bool GeneratePreview(const std::string& path, Bitmap& preview, std::string* caption) {
    TiffDocument document;
    RawSampleBlock block;
    RawMosaic mosaic;
    CameraSettings camera;
    // The raw load reads the maker note's balances, matrix and black levels
    // (defaults when they are missing) and checks the raw data lies in the file.
    if (!loadRawMosaic(path, document, block, mosaic, camera)) return false;
    SubtractBlackPoint(mosaic, camera.blackLevels);

    HeapImage reduced;
    if (!DemosaicReduced(mosaic, reduced.image, false, GeneratedPreviewFactor(mosaic.width), AllocateLargeBlock,
                         ReleaseLargeBlock)) {
        return false;
    }
    ProcessedImage& image = reduced.image;
    const auto redFactor = static_cast<uint16_t>(camera.redBalance * kFudgeRed / 256u);
    const auto blueFactor = static_cast<uint16_t>(camera.blueBalance * kFudgeBlue / 256u);
    ApplyRgbBalance(image, redFactor, kFudgeGreen, blueFactor);
    if (!ApplyColourMatrix(image, camera.colourMatrix)) return false;

    uint16_t lowest = 0;
    uint16_t highest = 0;
    luminanceBounds(image, lowest, highest);
    std::array<uint16_t, kToneTableSize> table{};
    BuildLevelsTable(table, lowest, highest);
    ApplyTableToSamples(image.samples, image.sampleCount(), table.data());
    BuildGammaTable(table, 0.4f);
    ApplyTableToSamples(image.samples, image.sampleCount(), table.data());
    if (!renderImage(preview, image, false, nullptr)) return false;
    if (caption != nullptr) *caption = cameraCaption(document);
    return true;
}

namespace {

// The decoder writes a DIB-shaped picture straight into a Bitmap.
class BitmapTarget final : public JpegPreviewTarget {
public:
    explicit BitmapTarget(Bitmap& bitmap) : bitmap_(bitmap) {}
    bool create(int32_t width, int32_t height, int channels) noexcept override {
        return bitmap_.create(width, height, channels);
    }
    uint8_t* storedRow(int32_t index) noexcept override {
        return bitmap_.pixels() + static_cast<size_t>(index) * bitmap_.stride();
    }

private:
    Bitmap& bitmap_;
};

}  // namespace

bool embeddedPreview(const std::string& path, Bitmap& preview, std::string* caption) {
    TiffDocument document;
    if (!document.open(path) || !document.parse()) return false;
    if (caption != nullptr) *caption = cameraCaption(document);
    BitmapTarget target(preview);
    return decodeEmbeddedPreview(target, document);
}

}  // namespace kyp
