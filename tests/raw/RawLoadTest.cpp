#include "engine/raw/RawLoad.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "engine/raw/OrfRaw.h"
#include "engine/raw/TiffDocument.h"
#include "platform/TestFolder.h"
#include "tools/sample-orf/SampleOrf.h"

namespace kyp {
namespace {

// A file whose camera settings differ from the generator's defaults.
SampleOrfOptions Unusual() {
    SampleOrfOptions o;
    o.whiteBalance[0] = 3;
    o.whiteBalance[1] = 7;
    o.redBalance = 300;
    o.blueBalance = 511;
    const int16_t matrix[9] = {1, -2, 3, -4, 5, -6, 7, -8, 9};
    std::copy(matrix, matrix + 9, o.colourMatrix);
    const uint16_t black[4] = {11, 12, 13, 14};
    std::copy(black, black + 4, o.blackLevels);
    return o;
}

// Big-endian 32-bit store into a generated file.
void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

TEST(RawLoadTest, LoadsTheGeneratedMosaicAndCameraSettingsAsDcrawDoes) {
    const SampleOrfOptions options = Unusual();
    test::TestFolder folder;
    const std::string path = folder / "load.orf";
    ASSERT_TRUE(WriteSampleOrf(path, options));
    std::vector<uint16_t> expected;
    ASSERT_TRUE(sample::RenderSampleMosaic(options, expected));

    TiffDocument document;
    RawSampleBlock block;
    RawMosaic mosaic;
    CameraSettings camera;
    ASSERT_TRUE(loadRawMosaic(path, document, block, mosaic, camera));
    ASSERT_EQ(mosaic.width, options.width);
    ASSERT_EQ(mosaic.height, options.height);
    // Unpacked where the strip lies in the document's copy of the file.
    EXPECT_TRUE(block.empty());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), mosaic.samples));
    EXPECT_EQ(camera.whiteBalanceMode, 1);
    EXPECT_EQ(camera.redBalance, 300);
    EXPECT_EQ(camera.blueBalance, 511);
    EXPECT_TRUE(std::equal(camera.colourMatrix, camera.colourMatrix + 9, options.colourMatrix));
    EXPECT_TRUE(std::equal(camera.blackLevels, camera.blackLevels + 4, options.blackLevels));
    // The document stays open for the writers, which copy its Exif tags.
    EXPECT_NE(document.findDirectory(DirectoryKind::Exif), nullptr);
    // The scene spans the range: a relation that held only for zeros would prove nothing.
    const size_t count = size_t{mosaic.width} * mosaic.height;
    EXPECT_GT(*std::max_element(mosaic.samples, mosaic.samples + count), 900);

    // dcraw takes Olympus 16-bit words shifted right by 4 (12 significant bits),
    // we shift by 6 (10 bits); the generator leaves the low 6 bits zero, so
    // dcraw's value is exactly our sample × 4. It writes a one-strip, 16-bit
    // grey TIFF in its machine's byte order.
    if (!test::HasTool("dcraw")) GTEST_SKIP() << "dcraw not installed: peer check of the raw samples skipped";
    const std::string tiff = folder / "peer-raw.tiff";
    int status = -1;
    (void)test::RunCommand("dcraw -D -4 -T -c '" + path + "' > '" + tiff + "'", &status);
    ASSERT_EQ(status, 0);
    TiffDocument peer;
    ASSERT_TRUE(peer.open(tiff) && peer.parse());
    const TiffDirectory& main = *peer.root();
    ASSERT_EQ(main.find(tag::kImageWidth)->intValue(), mosaic.width);
    ASSERT_EQ(main.find(tag::kImageLength)->intValue(), mosaic.height);
    ASSERT_EQ(main.find(tag::kBitsPerSample)->intValue(), 16u);
    uint32_t offset = 0;
    ASSERT_TRUE(main.find(tag::kStripOffsets)->valueAt(0, offset));
    const uint8_t* data = peer.file().view().at(offset, count * 2);
    ASSERT_NE(data, nullptr);
    const bool big = peer.file().bigEndian();
    size_t mismatches = 0;
    for (size_t i = 0; i < count; ++i)
        mismatches += (big ? data[2 * i] << 8 | data[2 * i + 1] : data[2 * i + 1] << 8 | data[2 * i]) !=
                      mosaic.samples[i] * 4;
    EXPECT_EQ(mismatches, 0u);
}

// Samples go where the strip lies when the file is read into memory and the
// strip starts on a word; a strip at an odd offset, and bytes the caller
// owns, go into the sample block, which is kept for the same sample count.
TEST(RawLoadTest, SamplesInPlaceOrInTheBlockAreTheSame) {
    SampleOrfOptions options = Unusual();
    options.width = 640;
    options.height = 480;
    options.writePreview = false;
    std::vector<uint8_t> even;
    ASSERT_TRUE(sample::BuildSampleOrf(options, even));
    std::vector<uint16_t> expected;
    ASSERT_TRUE(sample::RenderSampleMosaic(options, expected));
    TiffDocument probe;
    ASSERT_TRUE(probe.openMemory(ByteView(even.data(), even.size())) && probe.parse());
    const TiffEntry* strips = probe.root()->find(tag::kStripOffsets);
    ASSERT_NE(strips, nullptr);
    uint32_t strip = 0;
    ASSERT_TRUE(strips->valueAt(0, strip));
    ASSERT_EQ(strip % 2, 0u);
    const size_t stripBytes = expected.size() * 2;
    // Where the first offset is stored: in the record when it is the only one.
    const size_t offsetAt = strips->count == 1 ? strips->position + 8 : strips->value;
    probe.close();
    // The same strip again at an odd offset after the end of the file.
    std::vector<uint8_t> odd = even;
    odd.push_back(0);
    const size_t oddStrip = odd.size();
    odd.insert(odd.end(), even.begin() + strip, even.begin() + strip + static_cast<ptrdiff_t>(stripBytes));
    Put32(odd, offsetAt, static_cast<uint32_t>(oddStrip));
    const std::vector<uint8_t> callers = even;

    test::TestFolder folder;
    TiffDocument document;
    RawSampleBlock block;
    RawMosaic mosaic;
    CameraSettings camera;
    ASSERT_TRUE(loadRawMosaic(folder.Write("odd.orf", odd), document, block, mosaic, camera));
    EXPECT_EQ(mosaic.samples, block.samples());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), mosaic.samples));
    ASSERT_TRUE(loadRawMosaic(folder.Write("even.orf", even), document, block, mosaic, camera));
    EXPECT_TRUE(block.empty());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), mosaic.samples));
    EXPECT_EQ(camera.redBalance, 300);

    ASSERT_TRUE(loadRawMosaicFromBytes(ByteView(even.data(), even.size()), document, block, mosaic, camera));
    EXPECT_EQ(mosaic.samples, block.samples());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), mosaic.samples));
    EXPECT_EQ(even, callers);  // never written
    const uint16_t* kept = block.samples();
    ASSERT_TRUE(loadRawMosaicFromBytes(ByteView(odd.data(), odd.size()), document, block, mosaic, camera));
    EXPECT_EQ(block.samples(), kept);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), mosaic.samples));

    options.width = 320;
    std::vector<uint8_t> narrow;
    ASSERT_TRUE(sample::BuildSampleOrf(options, narrow));
    ASSERT_TRUE(loadRawMosaicFromBytes(ByteView(narrow.data(), narrow.size()), document, block, mosaic, camera));
    EXPECT_EQ(block.count(), 320u * 480u);
    EXPECT_EQ(mosaic.width, 320u);
}

TEST(RawLoadTest, FailuresFreeTheBlockAndReportFalse) {
    SampleOrfOptions options;
    options.writePreview = false;
    std::vector<uint8_t> good;
    ASSERT_TRUE(sample::BuildSampleOrf(options, good));
    TiffDocument probe;
    ASSERT_TRUE(probe.openMemory(ByteView(good.data(), good.size())) && probe.parse());
    const TiffEntry* strips = probe.root()->find(tag::kStripOffsets);
    ASSERT_NE(strips, nullptr);
    const size_t firstStrip = strips->value;  // the array of offsets
    const size_t widthRecord = probe.root()->find(tag::kImageWidth)->position;
    probe.close();

    test::TestFolder folder;
    const std::string first = folder.Write("first.orf", good);
    // Loads path after a good file; the reason (none on success).
    const auto loadsPath = [&](const std::string& path) {
        TiffDocument document;
        RawSampleBlock block;
        RawMosaic mosaic;
        CameraSettings camera;
        EXPECT_TRUE(loadRawMosaic(first, document, block, mosaic, camera));
        EXPECT_NE(mosaic.samples, nullptr);
        LoadError error = LoadError::none;
        const bool ok = loadRawMosaic(path, document, block, mosaic, camera, &error);
        EXPECT_EQ(ok, error == LoadError::none);
        if (!ok) {
            EXPECT_TRUE(block.empty());
            EXPECT_EQ(mosaic.samples, nullptr);
            EXPECT_EQ(mosaic.width, 0u);
            EXPECT_FALSE(document.isOpen());
        }
        return error;
    };
    const auto loads = [&](const std::vector<uint8_t>& bytes) { return loadsPath(folder.Write("bad.orf", bytes)); };
    EXPECT_EQ(loads(good), LoadError::none);

    std::vector<uint8_t> bad = good;
    Put32(bad, firstStrip, static_cast<uint32_t>(good.size() - 100));  // raw data would pass the end
    EXPECT_EQ(loads(bad), LoadError::truncated);
    bad = good;
    Put32(bad, widthRecord + 8, 0xFFFFFFFF);  // width × height × 2 far beyond the file
    EXPECT_EQ(loads(bad), LoadError::truncated);
    bad = good;
    bad.resize(kOrfMinimumFileSize - 1);  // truncated
    EXPECT_EQ(loads(bad), LoadError::notOrf);
    bad = good;
    Put32(bad, 4, static_cast<uint32_t>(good.size()) + 1);  // first directory beyond the file
    EXPECT_EQ(loads(bad), LoadError::damaged);
    bad = good;
    bad[2] = 'R';  // not "MMOR"
    EXPECT_EQ(loads(bad), LoadError::notOrf);
    // What is not a regular file is refused without being read (a pipe
    // without a writer would block a reader for ever).
    ASSERT_EQ(::mkfifo((folder / "pipe.orf").c_str(), 0600), 0);
    EXPECT_EQ(loadsPath(folder / "pipe.orf"), LoadError::notRegular);
    EXPECT_EQ(loadsPath(folder.path()), LoadError::notRegular);
    EXPECT_EQ(loadsPath(folder / "gone.orf"), LoadError::missing);
    EXPECT_EQ(loadsPath("/dev/null"), LoadError::notRegular);
    EXPECT_STREQ(LoadErrorText(LoadError::truncated), "Raw data cut short");

    // The same bytes from memory load the same mosaic (the least file size
    // does not apply there).
    TiffDocument document;
    RawSampleBlock block;
    RawMosaic mosaic;
    CameraSettings camera;
    EXPECT_TRUE(loadRawMosaicFromBytes(ByteView(good.data(), good.size()), document, block, mosaic, camera));
    EXPECT_EQ(mosaic.width, options.width);
    LoadError error = LoadError::none;
    EXPECT_FALSE(loadRawMosaicFromBytes(ByteView(good.data(), 3), document, block, mosaic, camera, &error));
    EXPECT_EQ(error, LoadError::notOrf);
}

// A file truncated or rewritten while it loads (another program, "cp" over
// it) is loaded whole or refused; the process never faults on it.
TEST(RawLoadTest, FileChangedDuringTheLoadNeverCrashes) {
    SampleOrfOptions options;
    options.width = 512;
    options.height = 384;
    options.writePreview = false;
    std::vector<uint8_t> good;
    ASSERT_TRUE(sample::BuildSampleOrf(options, good));
    test::TestFolder folder;
    const std::string path = folder / "changing.orf";
    TiffDocument document;
    RawSampleBlock block;
    RawMosaic mosaic;
    CameraSettings camera;
    int refused = 0;
    for (int round = 0; round < 24; ++round) {
        folder.Write("changing.orf", good);
        std::thread cutter([&] {
            std::this_thread::sleep_for(std::chrono::microseconds(100 * (round % 20)));
            if (round % 2) {
                (void)::truncate(path.c_str(), 0);
            } else {
                folder.Write("changing.orf", std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2));
            }
        });
        // Every fourth round the cut comes first, so that some loads surely
        // see it; the others race it.
        if (round % 4 == 0) cutter.join();
        LoadError error = LoadError::none;
        if (!loadRawMosaic(path, document, block, mosaic, camera, &error)) ++refused;
        if (cutter.joinable()) cutter.join();
        EXPECT_TRUE(error == LoadError::none || error == LoadError::changed || error == LoadError::notOrf ||
                    error == LoadError::truncated || error == LoadError::damaged)
            << LoadErrorText(error);
    }
    EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace kyp
