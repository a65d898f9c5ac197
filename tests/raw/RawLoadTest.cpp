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

// Big-endian 32-bit store into a generated file.
void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

TEST(RawLoadTest, SampleBlockIsReusedOnlyForTheSameSampleCount) {
    SampleOrfOptions first;
    first.writePreview = false;
    SampleOrfOptions other = first;
    other.width = 2000;
    other.height = 1904;
    test::TestFolder folder;
    const std::string a = folder / "a.orf", b = folder / "b.orf", c = folder / "c.orf";
    ASSERT_TRUE(WriteSampleOrf(a, first));
    first.redBalance = 100;  // same size, other content
    ASSERT_TRUE(WriteSampleOrf(b, first));
    ASSERT_TRUE(WriteSampleOrf(c, other));

    TiffDocument document;
    RawSampleBlock block;
    RawMosaic mosaic;
    CameraSettings camera;
    ASSERT_TRUE(LoadRawMosaic(a, document, block, mosaic, camera));
    const uint16_t* kept = block.samples();
    ASSERT_TRUE(LoadRawMosaic(b, document, block, mosaic, camera));
    EXPECT_EQ(block.samples(), kept);
    EXPECT_EQ(camera.redBalance, 100);
    ASSERT_TRUE(LoadRawMosaic(c, document, block, mosaic, camera));
    EXPECT_EQ(block.count(), 2000u * 1904u);
    EXPECT_EQ(mosaic.width, 2000u);
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
        EXPECT_TRUE(LoadRawMosaic(first, document, block, mosaic, camera));
        EXPECT_FALSE(block.empty());
        LoadError error = LoadError::none;
        const bool ok = LoadRawMosaic(path, document, block, mosaic, camera, &error);
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
    EXPECT_TRUE(LoadRawMosaicFromBytes(ByteView(good.data(), good.size()), document, block, mosaic, camera));
    EXPECT_EQ(mosaic.width, options.width);
    LoadError error = LoadError::none;
    EXPECT_FALSE(LoadRawMosaicFromBytes(ByteView(good.data(), 3), document, block, mosaic, camera, &error));
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
        if (!LoadRawMosaic(path, document, block, mosaic, camera, &error)) ++refused;
        if (cutter.joinable()) cutter.join();
        EXPECT_TRUE(error == LoadError::none || error == LoadError::changed || error == LoadError::notOrf ||
                    error == LoadError::truncated || error == LoadError::damaged)
            << LoadErrorText(error);
    }
    EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace kyp
