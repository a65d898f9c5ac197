// Independent tools read the generated files as we do: exiftool decodes the
// Exif and Olympus maker-note tags with the values we wrote, and dcraw
// extracts the same raw samples that unpack reads.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "engine/raw/OrfRaw.h"
#include "engine/raw/RawLoad.h"
#include "engine/raw/TiffDocument.h"
#include "platform/TestFolder.h"
#include "tools/sample-orf/SampleOrf.h"

namespace kyp {
namespace {

SampleOrfOptions PeerOptions() {
    SampleOrfOptions o;
    o.width = 1000;
    o.height = 700;
    o.exposureTime[0] = 1;
    o.exposureTime[1] = 60;
    o.fNumber[0] = 56;
    o.exposureProgram = 3;
    o.isoSpeed = 400;
    o.dateTime = "2004:01:02 03:04:05";
    o.exposureBias[0] = -2;
    o.exposureBias[1] = 3;
    o.meteringMode = 2;
    o.flash = 16;
    o.focalLength[0] = 145;
    o.macro = 1;
    o.firmware = "XY123";
    o.flashMode = 2;
    o.bracketBias[0] = 3;
    o.bracketBias[1] = 10;
    o.focusMode = 1;
    o.zoomStep = 20;
    o.sharpness = 2;
    const int16_t matrix[9] = {350, -60, -34, -44, 310, -10, 12, -90, 334};
    std::copy(matrix, matrix + 9, o.colourMatrix);
    const uint16_t black[4] = {20, 21, 22, 23};
    std::copy(black, black + 4, o.blackLevels);
    o.whiteBalance[1] = 6;
    o.redBalance = 300;
    o.blueBalance = 420;
    o.flashBias[0] = 1;
    o.flashBias[1] = 2;
    o.contrast = 2;
    return o;
}

TEST(SampleOrfPeerTest, ExiftoolDecodesOurExifAndMakerNoteValues) {
    if (!test::HasTool("exiftool")) GTEST_SKIP() << "exiftool not installed: peer check of the generated tags skipped";
    const SampleOrfOptions o = PeerOptions();
    test::TestFolder folder;
    const std::string path = folder / "peer-exif.orf";
    ASSERT_TRUE(WriteSampleOrf(path, o));

    // "-a -G1 -n -S" prints every tag (duplicates too) as "[Group] Tag: value", values numeric.
    std::map<std::string, std::string> tags;
    const std::string out = test::RunCommand("exiftool -a -G1 -n -S -EXIF:all -Olympus:all '" + path + "'");
    for (size_t start = 0, end; start < out.size(); start = end + 1) {
        end = std::min(out.find('\n', start), out.size());
        const std::string line = out.substr(start, end - start);
        const size_t close = line.find("] "), colon = line.find(": ");
        if (line.empty() || line[0] != '[' || close == std::string::npos || colon == std::string::npos) continue;
        tags[line.substr(1, close - 1) + ":" + line.substr(close + 2, colon - close - 2)] = line.substr(colon + 2);
    }
    const std::pair<const char*, std::string> texts[] = {
        {"IFD0:Make", o.make},
        {"IFD0:Model", o.model},
        {"ExifIFD:DateTimeOriginal", "2004:01:02 03:04:05"},
        {"Olympus:CameraType", "XY123"},
        {"Olympus:ColorMatrix", "350 -60 -34 -44 310 -10 12 -90 334"},
        {"Olympus:BlackLevel", "20 21 22 23"},
        {"Olympus:WBMode", "2 6"}};
    for (const auto& [key, value] : texts) EXPECT_EQ(tags[key], value) << key;
    const std::pair<const char*, double> numbers[] = {
        {"IFD0:ImageWidth", 1000},
        {"ExifIFD:ExposureTime", 1.0 / 60},
        {"ExifIFD:FNumber", 5.6},
        {"ExifIFD:ExposureProgram", 3},
        {"ExifIFD:ISO", 400},
        {"ExifIFD:ExposureCompensation", -2.0 / 3},
        {"ExifIFD:MeteringMode", 2},
        {"ExifIFD:Flash", 16},
        {"ExifIFD:FocalLength", 14.5},
        {"ExifIFD:ColorSpace", 1},
        {"Olympus:Macro", 1},
        {"Olympus:FlashMode", 2},
        {"Olympus:ExposureCompensation", 0.3},  // the bracket bias
        {"Olympus:FocusMode", 1},
        {"Olympus:ZoomStepCount", 20},
        {"Olympus:Sharpness", 2},
        {"Olympus:RedBalance", 300.0 / 256},  // exiftool shows balance / 256
        {"Olympus:BlueBalance", 420.0 / 256},
        {"Olympus:FlashExposureComp", 0.5},
        {"Olympus:Contrast", 2}};
    for (const auto& [key, value] : numbers) {
        ASSERT_TRUE(tags.count(key)) << key << "\n" << out;
        EXPECT_NEAR(std::atof(tags[key].c_str()), value, 1e-9) << key;
    }

}

// dcraw takes Olympus 16-bit words shifted right by 4 (12 significant bits),
// we shift by 6 (10 bits); the generator leaves the low 6 bits zero, so
// dcraw's value is exactly our sample × 4.
TEST(SampleOrfPeerTest, DcrawExtractsOurSamplesTimesFour) {
    if (!test::HasTool("dcraw")) GTEST_SKIP() << "dcraw not installed: peer check of the raw samples skipped";
    test::TestFolder folder;
    const std::string path = folder / "peer-raw.orf";
    const std::string tiff = folder / "peer-raw.tiff";
    ASSERT_TRUE(WriteSampleOrf(path, PeerOptions()));
    int status = -1;
    (void)test::RunCommand("dcraw -D -4 -T -c '" + path + "' > '" + tiff + "'", &status);
    ASSERT_EQ(status, 0);

    TiffDocument document;
    RawSampleBlock block;
    RawMosaic mosaic;
    CameraSettings camera;
    ASSERT_TRUE(LoadRawMosaic(path, document, block, mosaic, camera));

    // dcraw writes a one-strip, 16-bit grey TIFF in its machine's byte order.
    TiffDocument peer;
    ASSERT_TRUE(peer.open(tiff) && peer.parse());
    const TiffDirectory& main = *peer.root();
    ASSERT_EQ(main.find(tag::kImageWidth)->intValue(), mosaic.width);
    ASSERT_EQ(main.find(tag::kImageLength)->intValue(), mosaic.height);
    ASSERT_EQ(main.find(tag::kBitsPerSample)->intValue(), 16u);
    uint32_t offset = 0;
    ASSERT_TRUE(main.find(tag::kStripOffsets)->valueAt(0, offset));
    const size_t count = size_t{mosaic.width} * mosaic.height;
    const uint8_t* data = peer.file().view().at(offset, count * 2);
    ASSERT_NE(data, nullptr);
    const bool big = peer.file().bigEndian();
    size_t mismatches = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint16_t value = big ? static_cast<uint16_t>(data[2 * i] << 8 | data[2 * i + 1])
                                   : static_cast<uint16_t>(data[2 * i + 1] << 8 | data[2 * i]);
        mismatches += value != mosaic.samples[i] * 4;
    }
    EXPECT_EQ(mismatches, 0u);
    // The chart spans the range: a relation that held only for zeros would prove nothing.
    EXPECT_GT(*std::max_element(mosaic.samples, mosaic.samples + count), 900);
}

}  // namespace
}  // namespace kyp
