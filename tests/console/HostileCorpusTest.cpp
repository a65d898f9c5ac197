// Hostile ORF files through the whole console run: small generated files
// damaged in many ways (cut short, bytes changed, offsets and counts pointing
// outside, directory loops, huge dimensions, wrong types), converted in
// batches with varied settings and formats. Every input is either converted
// into a file that reads back (libtiff reads every TIFF without an error) or refused with its
// "Could not process" line; the batch always goes on. Under the sanitizer
// build this is the check that no damaged file reaches memory it must not.
// KYP_HOSTILE_FULL=1 damages full-size camera files instead (a run by hand:
// minutes under the sanitizers), KYP_HOSTILE_VARIANTS sets how many.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "ConsoleTestSupport.h"
#include "console/SessionConverter.h"
#include "engine/raw/OrfRaw.h"
#include "tools/sample-orf/SampleOrf.h"

namespace kyp {
namespace {

constexpr int kBatch = 25;

uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
    return at + 4 <= b.size() ? uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3]
                              : 0;
}
uint16_t Get16(const std::vector<uint8_t>& b, size_t at) {
    return at + 2 <= b.size() ? static_cast<uint16_t>(b[at] << 8 | b[at + 1]) : 0;
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4 && at + i < b.size(); ++i) b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    for (size_t i = 0; i < 2 && at + i < b.size(); ++i) b[at + i] = static_cast<uint8_t>(v >> (8 - 8 * i));
}

// Offsets of the 12-byte records of the directory at offset (big-endian).
std::vector<size_t> Records(const std::vector<uint8_t>& b, uint32_t offset) {
    std::vector<size_t> records;
    const uint16_t count = Get16(b, offset);
    for (size_t k = 0; k < count && offset + 2 + 12 * (k + 1) <= b.size(); ++k) records.push_back(offset + 2 + 12 * k);
    return records;
}
size_t Find(const std::vector<uint8_t>& b, const std::vector<size_t>& records, uint16_t tag) {
    for (size_t r : records)
        if (Get16(b, r) == tag) return r;
    return 0;
}

// One damaged copy of a good file. pad: whether the file is then padded to
// the ORF test's least size (the damage then reaches the parser).
std::vector<uint8_t> Damage(std::vector<uint8_t> b, std::mt19937& random, bool& pad) {
    const auto pick = [&](uint32_t n) { return n == 0 ? 0u : static_cast<uint32_t>(random() % n); };
    const uint32_t interesting[] = {0,          1,          2,          7,          8,
                                    0x7FFF,     0xFFFF,     0x10000,    0x7FFFFFFF, 0xFFFFFFFF,
                                    0x80000000, static_cast<uint32_t>(b.size()), static_cast<uint32_t>(b.size() - 1),
                                    kOrfMinimumFileSize, kOrfMinimumFileSize - 2};
    const auto value = [&] { return pick(4) == 0 ? static_cast<uint32_t>(random()) : interesting[pick(std::size(interesting))]; };
    const uint32_t mainAt = Get32(b, 4);
    const std::vector<size_t> main = Records(b, mainAt);
    const size_t exifPointer = Find(b, main, 34665);
    const uint32_t exifAt = exifPointer ? Get32(b, exifPointer + 8) : 0;
    const std::vector<size_t> exif = Records(b, exifAt);
    const std::vector<size_t>& records = pick(2) && !exif.empty() ? exif : main;
    const size_t record = records.empty() ? 8 : records[pick(static_cast<uint32_t>(records.size()))];
    const uint32_t structure = std::min<uint32_t>(static_cast<uint32_t>(b.size()), 4096);
    pad = pick(8) != 0;
    switch (pick(10)) {
        case 0:  // cut short anywhere
            b.resize(pick(static_cast<uint32_t>(b.size())));
            break;
        case 1:  // a few bytes of the structure changed
            for (uint32_t n = 1 + pick(8); n > 0; --n) b[pick(structure)] = static_cast<uint8_t>(random());
            break;
        case 2:  // a value or offset
            Put32(b, record + 8, value());
            break;
        case 3:  // a type
            Put16(b, record + 2, static_cast<uint16_t>(pick(16)));
            break;
        case 4:  // a count
            Put32(b, record + 4, value());
            break;
        case 5: {  // loops: a directory pointing back at itself or at its parent
            const size_t next = mainAt + 2 + 12 * main.size();
            if (pick(2)) Put32(b, next, mainAt);
            if (exifPointer && pick(2)) Put32(b, exifPointer + 8, pick(2) ? mainAt : 0);
            if (!exif.empty()) Put32(b, exifAt + 2 + 12 * exif.size(), pick(2) ? exifAt : mainAt);
            break;
        }
        case 6: {  // huge or odd dimensions
            const uint32_t sizes[] = {0, 1, 3, 60000, 65535, 0xFFFFFFFF, 0x10001};
            if (size_t w = Find(b, main, 256)) Put32(b, w + 8, sizes[pick(std::size(sizes))]);
            if (size_t h = Find(b, main, 257)) Put32(b, h + 8, sizes[pick(std::size(sizes))]);
            break;
        }
        case 7: {  // the raw data moved to or past the end
            if (size_t s = Find(b, main, 273)) {
                const uint32_t at = Get32(b, s + 4) == 1 ? static_cast<uint32_t>(s + 8) : Get32(b, s + 8);
                Put32(b, at, pick(2) ? kOrfMinimumFileSize - pick(64) : value());
            }
            break;
        }
        case 8:  // the first directory elsewhere
            Put32(b, 4, value());
            break;
        default:  // a random word anywhere in the structure
            Put32(b, pick(structure), static_cast<uint32_t>(random()));
            break;
    }
    return b;
}

TEST(HostileCorpus, EveryDamagedFileIsConvertedOrRefusedWithItsLine) {
    const char* variantsText = std::getenv("KYP_HOSTILE_VARIANTS");
    const int variants = variantsText && std::atoi(variantsText) > 0 ? std::atoi(variantsText) : 600;
    const bool full = std::getenv("KYP_HOSTILE_FULL") != nullptr;
    // Good files of a few shapes: small ones, or the generator's full camera size.
    std::vector<std::vector<uint8_t>> good;
    for (const auto& [width, height, preview, note] :
         std::vector<std::tuple<uint32_t, uint32_t, bool, bool>>{
             {64, 48, true, true}, {33, 17, false, true}, {48, 32, true, false}, {2, 2, false, true}}) {
        SampleOrfOptions options;
        if (!full) {
            options.width = width;
            options.height = height;
            options.previewWidth = 16;
            options.rowsPerStrip = 8;
            options.minimumFileSize = 0;
        }
        options.writePreview = preview;
        options.writeMakerNote = note;
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(sample::BuildSampleOrf(options, bytes));
        good.push_back(std::move(bytes));
    }
    const std::vector<std::vector<std::string>> settings = {
        {}, {"-b:16", "=123"}, {"-j:50", "=g"}, {"-w", "-m:fast"}, {"-m:raw", "=hvx-l", "-u:200,3,0"},
        {"-m:bw", "-y:1000", "-g:3"}, {"-m:best", "=-z+i", "-s:3/2:1/1:2/3"}, {"-m:1", "-n:900,900", "=ab"}};
    const bool tiffinfo = test::HasTool("tiffinfo");

    std::mt19937 random(20240611);
    int converted = 0, refused = 0;
    for (int first = 0; first < variants; first += kBatch) {
        test::TestFolder work;
        std::vector<std::string> arguments = settings[static_cast<size_t>(first / kBatch) % settings.size()];
        arguments.insert(arguments.begin(), "-qq");
        std::vector<std::string> inputs;
        for (int v = first; v < first + kBatch && v < variants; ++v) {
            bool pad = true;
            const std::vector<uint8_t> bytes = Damage(good[static_cast<size_t>(v) % good.size()], random, pad);
            std::string name = std::to_string(v);
            name.insert(0, 1, 'v');
            name.append(".orf");
            const std::string path = work.Write(name, bytes);
            // Padded with a hole: the damage is at the start, the size passes the ORF test.
            if (pad && bytes.size() < kOrfMinimumFileSize) {
                ASSERT_EQ(::truncate(path.c_str(), kOrfMinimumFileSize), 0);
            }
            inputs.push_back(path);
            arguments.push_back(path);
        }
        SessionConverter converter;
        const test::RunOutput run = test::Run(arguments, &converter);
        EXPECT_TRUE(run.code == 0 || run.code == 2) << run.code;
        std::string expectedErr;
        std::vector<std::string> outputs;
        const std::string extension = arguments[1] == "-j:50" ? ".jpg" : arguments[1] == "-w" ? ".bmp" : ".tif";
        for (const std::string& input : inputs) {
            std::string output = input.substr(0, input.size() - 4);
            output.append(extension);
            if (std::filesystem::exists(output)) {
                ++converted;
                outputs.push_back(output);
            } else {
                ++refused;
                // Every refusal names its input, in order, with a reason.
                const std::string line = "!Error: Could not process '" + input + "': ";
                const size_t at = run.err.find(line, expectedErr.size());
                ASSERT_NE(at, std::string::npos) << input << "\n" << run.err;
                expectedErr = run.err.substr(0, run.err.find('\n', at) + 1);
            }
        }
        EXPECT_EQ(run.err, expectedErr);  // nothing else was said
        EXPECT_EQ(work.Names().size(), inputs.size() + outputs.size());  // no temporary file left
        // libtiff may warn about Exif tags carried as the camera file held
        // them (a damaged type or count), but reads every file.
        if (tiffinfo && extension == ".tif") {
            EXPECT_EQ(test::TiffInfoErrors(outputs), "");
        }
    }
    // The damage is varied enough that both happen often.
    EXPECT_GT(converted, variants / 10);
    EXPECT_GT(refused, variants / 10);
    std::printf("hostile corpus: %d converted, %d refused\n", converted, refused);
}

}  // namespace
}  // namespace kyp
