#include "engine/raw/RawLoad.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <chrono>
#include <sstream>
#include <thread>

#include "engine/raw/OrfRaw.h"
#include "engine/raw/TiffDocument.h"
#include "platform/InputFile.h"
#include "platform/Golden.h"
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

// What one load left behind: the reason, the mosaic, where its samples lie
// (in the document's copy of the file, in a new sample block or in the one
// kept from the load before), whether they are the generator's, the camera
// settings and the Exif directory the writers copy from. A failure must let
// go of everything the load before it held.
class Loader {
public:
    std::string Load(bool fromFile, const std::vector<uint8_t>& bytes, const std::vector<uint16_t>& made) {
        LoadError error = LoadError::none;
        const uint16_t* held = block_.samples();
        heldCount_ = block_.count();
        const bool ok = fromFile ? loadRawMosaic(folder_.Write("load.orf", bytes), document_, block_, mosaic_, camera_, &error)
                                 : loadRawMosaicFromBytes(ByteView(bytes.data(), bytes.size()), document_, block_, mosaic_,
                                                          camera_, &error);
        return Result(ok, error, held, made);
    }
    std::string LoadPath(const std::string& path) {
        LoadError error = LoadError::none;
        const bool ok = loadRawMosaic(path, document_, block_, mosaic_, camera_, &error);
        return Result(ok, error, nullptr, {});
    }
    test::TestFolder folder_;

private:
    std::string Result(bool ok, LoadError error, const uint16_t* held, const std::vector<uint16_t>& made) {
        std::ostringstream out;
        out << (ok == (error == LoadError::none) ? "" : "(reported ok " + std::to_string(ok) + ") ") << LoadErrorText(error);
        if (!ok) {
            const bool letGo = block_.empty() && !mosaic_.samples && mosaic_.width == 0 && !document_.isOpen();
            out << (letGo ? " | all let go" : " | something kept");
            return out.str();
        }
        const size_t count = size_t{mosaic_.width} * mosaic_.height;
        out << " | " << mosaic_.width << "x" << mosaic_.height;
        if (mosaic_.samples != block_.samples()) out << " in place" << (block_.empty() ? "" : " beside a block");
        else if (!held || heldCount_ != block_.count()) out << " in a block of " << block_.count();
        // (A new block of another size may get the address of the one freed.)
        else out << (held == block_.samples() ? " in the kept block of " : " in a new block of ") << block_.count();
        const bool same = made.size() == count && std::equal(made.begin(), made.end(), mosaic_.samples);
        out << (same ? ", as made" : ", not as made") << ", highest " << *std::max_element(mosaic_.samples, mosaic_.samples + count);
        out << " | wb " << camera_.whiteBalanceMode << " red " << camera_.redBalance << " blue " << camera_.blueBalance << " matrix";
        for (const int16_t m : camera_.colourMatrix) out << ' ' << m;
        out << " black";
        for (const uint16_t b : camera_.blackLevels) out << ' ' << b;
        out << (document_.findDirectory(DirectoryKind::Exif) ? " | Exif" : " | no Exif");
        return out.str();
    }

    TiffDocument document_;
    RawSampleBlock block_;
    size_t heldCount_ = 0;
    RawMosaic mosaic_;
    CameraSettings camera_;
};

// A generated file and the mosaic it holds.
struct Generated {
    std::vector<uint8_t> bytes;
    std::vector<uint16_t> mosaic;
};
Generated Generate(const SampleOrfOptions& options) {
    Generated g;
    EXPECT_TRUE(sample::BuildSampleOrf(options, g.bytes));
    EXPECT_TRUE(sample::RenderSampleMosaic(options, g.mosaic));
    return g;
}

// Loads from files and from memory, one after another into the same objects:
// samples go where the strip lies when the file is read into memory and the
// strip starts on a word; a strip at an odd offset, and bytes the caller owns,
// go into the sample block, which is kept for the same sample count.
TEST(RawLoadTest, LoadsGiveTheRecordedResults) {
    test::GoldenFile golden("raw/loads.golden");
    SampleOrfOptions options = Unusual();
    options.width = 640;
    options.height = 480;
    options.writePreview = false;
    const Generated wide = Generate(options);
    const std::vector<uint8_t>& even = wide.bytes;
    const std::vector<uint16_t>& made = wide.mosaic;
    TiffDocument probe;
    ASSERT_TRUE(probe.openMemory(ByteView(even.data(), even.size())) && probe.parse());
    const TiffEntry* strips = probe.root()->find(tag::kStripOffsets);
    ASSERT_NE(strips, nullptr);
    uint32_t strip = 0;
    ASSERT_TRUE(strips->valueAt(0, strip));
    const size_t stripBytes = made.size() * 2;
    // Where the first offset is stored: in the record when it is the only one.
    const size_t offsetAt = strips->count == 1 ? strips->position + 8 : strips->value;
    const size_t widthRecord = probe.root()->find(tag::kImageWidth)->position;
    probe.close();
    // The same strip again at an odd offset after the end of the file.
    std::vector<uint8_t> odd = even;
    odd.push_back(0);
    const size_t oddStrip = odd.size();
    odd.insert(odd.end(), even.begin() + strip, even.begin() + strip + static_cast<ptrdiff_t>(stripBytes));
    Put32(odd, offsetAt, static_cast<uint32_t>(oddStrip));
    const std::vector<uint8_t> callers = even;
    SampleOrfOptions narrowOptions = options;
    narrowOptions.width = 320;
    narrowOptions.writePreview = false;
    const Generated narrowFile = Generate(narrowOptions);
    const std::vector<uint8_t>& narrow = narrowFile.bytes;
    const std::vector<uint16_t>& narrowMade = narrowFile.mosaic;

    // Each case loads its bytes, or a copy of them cut to a size or with one
    // big-endian word replaced.
    constexpr size_t kWhole = SIZE_MAX;
    const auto pastEnd = static_cast<uint32_t>(even.size()) + 1;
    const struct {
        const char* name;
        bool fromFile;
        const std::vector<uint8_t>& bytes;
        size_t size = kWhole, at = kWhole;
        uint32_t value = 0;
    } loads[] = {
        {"file", true, even},
        {"file, strip at an odd offset", true, odd},
        {"file again", true, even},
        {"memory", false, even},
        {"memory, strip at an odd offset", false, odd},
        {"memory, narrower", false, narrow},
        {"file, raw data past the end", true, even, kWhole, offsetAt, static_cast<uint32_t>(even.size() - 100)},
        {"file, width far beyond the file", true, even, kWhole, widthRecord + 8, 0xFFFFFFFF},
        {"file one byte short of the least ORF", true, even, kOrfMinimumFileSize - 1},
        {"file, first directory past the end", true, even, kWhole, 4, pastEnd},
        {"file, not MMOR", true, even, kWhole, 0, 0x4D4D5252},
        {"memory, not MMOR", false, even, kWhole, 0, 0x4D4D5252},
        {"memory, first directory past the end", false, even, kWhole, 4, pastEnd},
        {"memory of 3 bytes", false, even, 3},
    };
    Loader loader;
    std::vector<uint8_t> work;
    for (const auto& l : loads) {
        // A failure comes after a good load, whose state it must let go of.
        if (&l > &loads[5]) (void)loader.Load(false, even, made);
        const bool copy = l.size != kWhole || l.at != kWhole;
        if (copy) {
            work.assign(l.bytes.begin(), l.bytes.begin() + static_cast<ptrdiff_t>(std::min(l.size, l.bytes.size())));
            if (l.at != kWhole) Put32(work, l.at, l.value);
        }
        golden.Check(l.name, loader.Load(l.fromFile, copy ? work : l.bytes, &l == &loads[5] ? narrowMade : made));
    }
    EXPECT_EQ(even, callers);  // loads from memory never write
    // Paths: what the ORF check, the file reader and a load make of them.
    // What is not a regular file is refused without being read (a pipe
    // without a writer would block a reader for ever); sparse files of about
    // the least ORF size with the ORF signature or another; a file of 4 GiB
    // and more, whose low 32 bits would pass but which no 32-bit offset spans.
    test::TestFolder& folder = loader.folder_;
    ASSERT_EQ(::mkfifo((folder / "pipe.orf").c_str(), 0600), 0);
    // (The file reader would read the sparse ones under 4 GiB whole, to no purpose: it is not asked.)
    std::set<std::string> unread;
    const auto sparse = [&](const char* name, std::string_view head, uint64_t size) {
        std::filesystem::resize_file(folder.Write(name, head), size);
        if (size <= 0xFFFFFFFFull) unread.insert(folder / name);
        return folder / name;
    };
    const uint64_t least = kOrfMinimumFileSize;
    InputFile file;
    for (const auto& [name, path] : {std::pair<std::string, std::string>{"pipe", folder / "pipe.orf"},
                                     {"folder", folder.path()},
                                     {"missing file", folder / "gone.orf"},
                                     {"device", "/dev/null"},
                                     {"empty path", ""},
                                     {"path of 5000 bytes", std::string(5000, 'x')},
                                     {"empty file", folder.Write("empty.orf", "")},
                                     {"MMOR one byte short of the least ORF", sparse("short.orf", "MMOR", least - 1)},
                                     {"MMOR of the least ORF size", sparse("exact.orf", "MMOR", least)},
                                     {"MMOR one byte over the least ORF", sparse("longer.orf", "MMOR", least + 1)},
                                     {"IIRO of the least ORF size", sparse("intel.orf", "IIRO", least)},
                                     {"TIFF of the least ORF size", sparse("tiff.orf", std::string_view("MM\0*", 4), least)},
                                     {"MMOR of 4 GiB and the least ORF size", sparse("huge.orf", "MMOR", 0x100000000ull + least)}}) {
        (void)loader.Load(false, even, made);
        LoadError why = LoadError::none;
        const bool orf = isOrfFile(path, &why);
        const bool opened = unread.count(path) == 0 && file.open(path);
        golden.Check(name, std::string(orf ? "ORF" : "not ORF: ") + (orf ? "" : LoadErrorText(why)) + " | file " +
                               (unread.count(path) ? "not read"
                                : opened        ? "of " + std::to_string(file.size()) + " bytes"
                                                : LoadErrorText(file.error())) +
                               (file.isOpen() == opened ? "" : " (open says otherwise)") +
                               " | load " + loader.LoadPath(path));
    }
}

// dcraw takes Olympus 16-bit words shifted right by 4 (12 significant bits),
// we shift by 6 (10 bits); the generator leaves the low 6 bits zero, so
// dcraw's value is exactly our sample × 4. It writes a one-strip, 16-bit grey
// TIFF in its machine's byte order.
TEST(RawLoadTest, LoadsTheGeneratedMosaicAsDcrawDoes) {
    const SampleOrfOptions options = Unusual();
    test::TestFolder folder;
    const std::string path = folder / "load.orf";
    ASSERT_TRUE(WriteSampleOrf(path, options));
    TiffDocument document;
    RawSampleBlock block;
    RawMosaic mosaic;
    CameraSettings camera;
    ASSERT_TRUE(loadRawMosaic(path, document, block, mosaic, camera));
    const size_t count = size_t{mosaic.width} * mosaic.height;
    // The scene spans the range: a relation that held only for zeros would prove nothing.
    EXPECT_GT(*std::max_element(mosaic.samples, mosaic.samples + count), 900);

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
