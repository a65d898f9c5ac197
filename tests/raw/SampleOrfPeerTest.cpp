// Independent tools read the generated files as we do: exiftool decodes the
// Exif and Olympus maker-note tags with the values we wrote, and dcraw
// extracts the same raw samples that unpack reads.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "TiffBytes.h"
#include "engine/raw/OrfRaw.h"
#include "engine/raw/RawLoad.h"
#include "engine/raw/TiffDocument.h"
#include "tools/sample-orf/SampleOrf.h"

namespace kyp {
namespace {

bool HasTool(const char* name) {
    const std::string command = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

std::string RunCommand(const std::string& command) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe) return out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
    return out;
}

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
    if (!HasTool("exiftool")) GTEST_SKIP() << "exiftool not installed: peer check of the generated tags skipped";
    const SampleOrfOptions o = PeerOptions();
    const std::string path = test::TestPath("peer-exif.orf");
    ASSERT_TRUE(WriteSampleOrf(path, o));

    // "-a -G1 -n -S" prints every tag (duplicates too) as "[Group] Tag: value", values numeric.
    std::map<std::string, std::string> tags;
    const std::string out = RunCommand("exiftool -a -G1 -n -S -EXIF:all -Olympus:all '" + path + "'");
    for (size_t start = 0, end; start < out.size(); start = end + 1) {
        end = out.find('\n', start);
        if (end == std::string::npos) end = out.size();
        const std::string line = out.substr(start, end - start);
        const size_t close = line.find("] "), colon = line.find(": ");
        if (line.empty() || line[0] != '[' || close == std::string::npos || colon == std::string::npos) continue;
        tags[line.substr(1, close - 1) + ":" + line.substr(close + 2, colon - close - 2)] = line.substr(colon + 2);
    }
    const auto number = [&](const std::string& key) { return tags.count(key) ? std::atof(tags[key].c_str()) : NAN; };

    EXPECT_EQ(tags["IFD0:Make"], o.make);
    EXPECT_EQ(tags["IFD0:Model"], o.model);
    EXPECT_EQ(number("IFD0:ImageWidth"), 1000);
    EXPECT_NEAR(number("ExifIFD:ExposureTime"), 1.0 / 60, 1e-9);
    EXPECT_NEAR(number("ExifIFD:FNumber"), 5.6, 1e-9);
    EXPECT_EQ(number("ExifIFD:ExposureProgram"), 3);
    EXPECT_EQ(number("ExifIFD:ISO"), 400);
    EXPECT_EQ(tags["ExifIFD:DateTimeOriginal"], "2004:01:02 03:04:05");
    EXPECT_NEAR(number("ExifIFD:ExposureCompensation"), -2.0 / 3, 1e-9);
    EXPECT_EQ(number("ExifIFD:MeteringMode"), 2);
    EXPECT_EQ(number("ExifIFD:Flash"), 16);
    EXPECT_NEAR(number("ExifIFD:FocalLength"), 14.5, 1e-9);
    EXPECT_EQ(number("ExifIFD:ColorSpace"), 1);

    EXPECT_EQ(number("Olympus:Macro"), 1);
    EXPECT_EQ(tags["Olympus:CameraType"], "XY123");
    EXPECT_EQ(number("Olympus:FlashMode"), 2);
    EXPECT_NEAR(number("Olympus:ExposureCompensation"), 0.3, 1e-9);  // the bracket bias
    EXPECT_EQ(number("Olympus:FocusMode"), 1);
    EXPECT_EQ(number("Olympus:ZoomStepCount"), 20);
    EXPECT_EQ(number("Olympus:Sharpness"), 2);
    EXPECT_EQ(tags["Olympus:ColorMatrix"], "350 -60 -34 -44 310 -10 12 -90 334");
    EXPECT_EQ(tags["Olympus:BlackLevel"], "20 21 22 23");
    EXPECT_EQ(tags["Olympus:WBMode"], "2 6");
    EXPECT_NEAR(number("Olympus:RedBalance"), 300.0 / 256, 1e-9);  // exiftool shows balance / 256
    EXPECT_NEAR(number("Olympus:BlueBalance"), 420.0 / 256, 1e-9);
    EXPECT_NEAR(number("Olympus:FlashExposureComp"), 0.5, 1e-9);
    EXPECT_EQ(number("Olympus:Contrast"), 2);

    // And our reader agrees with what exiftool saw.
    TiffDocument document;
    ASSERT_TRUE(document.open(path) && document.parse());
    RawInfo info;
    ASSERT_TRUE(readRawInfo(document, info));
    EXPECT_EQ(info.camera.whiteBalanceMode, 6);
    EXPECT_EQ(info.camera.redBalance, 300);
    EXPECT_EQ(info.camera.colourMatrix[1], -60);
    EXPECT_EQ(info.camera.blackLevels[3], 23);
    std::filesystem::remove(path);
}

// dcraw takes Olympus 16-bit words shifted right by 4 (12 significant bits),
// we shift by 6 (10 bits); the generator leaves the low 6 bits zero, so
// dcraw's value is exactly our sample × 4.
TEST(SampleOrfPeerTest, DcrawExtractsOurSamplesTimesFour) {
    if (!HasTool("dcraw")) GTEST_SKIP() << "dcraw not installed: peer check of the raw samples skipped";
    const SampleOrfOptions o = PeerOptions();
    const std::string path = test::TestPath("peer-raw.orf");
    const std::string tiff = test::TestPath("peer-raw.tiff");
    ASSERT_TRUE(WriteSampleOrf(path, o));
    ASSERT_EQ(std::system(("dcraw -D -4 -T -c '" + path + "' > '" + tiff + "'").c_str()), 0);

    TiffDocument document;
    RawSampleBlock block;
    RawMosaic mosaic;
    CameraSettings camera;
    ASSERT_TRUE(LoadRaw(path, document, block, mosaic, camera));

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
    std::filesystem::remove(path);
    std::filesystem::remove(tiff);
}

}  // namespace
}  // namespace kyp
