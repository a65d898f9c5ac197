// The demosaic methods, their tile walk and the reduced images over mosaics of
// awkward sizes, on every instruction set and thread count, against the
// results recorded in demosaic-results.golden.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/process/BlockAverage.h"
#include "engine/process/demosaic/DemosaicReduced.h"
#include "process/ProcessTestSupport.h"

namespace kyp {
namespace {

using test::CountingMemory;
using test::ImageText;
using test::MakeColourField;
using test::MakeMosaic;
using test::MakeScene;
using test::OwnedImage;
using test::Recorder;
using test::TestMosaic;

// Writes down the tiles it is given ("column+columns" along the top row,
// "row+rows" down the left column), with a chosen geometry.
class TileLog final : public DemosaicMethod {
public:
    TileLog(uint32_t border, uint32_t tile, Recorder* recorder)
        : DemosaicMethod(99), border_(border), tile_(tile), recorder_(recorder) {}
    uint32_t Border() const override { return border_; }
    uint32_t TileWidth() const override { return tile_; }
    uint32_t TileHeight() const override { return tile_; }
    uint16_t Channels() const override { return 1; }
    const char* Name() const override { return "Log"; }
    bool ProcessTile(uint16_t*, uint32_t, const RawMosaic& mosaic, uint32_t column, uint32_t row, uint32_t columns,
                     uint32_t rows) override {
        EXPECT_TRUE(TileFits(mosaic, column, row, columns, rows));
        if (row == 0) columnSpans << " " << column << "+" << columns;
        if (column == 0) rowSpans << " " << row << "+" << rows;
        recorder_->log += "p";
        return true;
    }
    std::ostringstream columnSpans, rowSpans;

private:
    uint32_t border_, tile_;
    Recorder* recorder_;
};

std::string Walk(uint32_t border, uint32_t tile, uint32_t width, uint32_t height) {
    Recorder progress;
    TileLog log(border, tile, &progress);
    OwnedImage out;
    const bool ok = DemosaicTiled(MakeScene(width, height, 2).view(), out.image, log, &progress, nullptr, nullptr);
    return std::to_string(ok) + " columns" + log.columnSpans.str() + " rows" + log.rowSpans.str() + " " + progress.log;
}

// One object per method, used for every mosaic as a session does.
std::string Demosaic(DemosaicMethod& method, const TestMosaic& mosaic) {
    OwnedImage out;
    Recorder progress;
    const bool ok = DemosaicTiled(mosaic.view(), out.image, method, &progress, nullptr, nullptr);
    return std::to_string(ok) + " " + ImageText(out.image) + " " + test::LogText(progress.log);
}

// Whether the first 100 KB of an object (every method holds more) lie in
// pages present from the start, as the methods' own allocation makes them.
bool Resident(const void* object) {
    const auto page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE)), start = reinterpret_cast<uintptr_t>(object);
    const uintptr_t first = (start + page - 1) / page * page, end = (start + 100 * 1024) / page * page;
    std::vector<unsigned char> pages((end - first) / page);
    const bool known = ::mincore(reinterpret_cast<void*>(first), end - first, pages.data()) == 0;
    return known && std::all_of(pages.begin(), pages.end(), [](unsigned char p) { return (p & 1) != 0; });
}

// Name, border, tile size, channels and number (unknown numbers take the best
// method), and which of four tiles ProcessTile refuses: one past the right
// edge, one wider than its tile, one without storage, one that fits; whether
// the storage is present and (the luminance methods' planes) on a 64-byte
// boundary.
std::string Methods() {
    const auto mosaic = MakeScene(200, 200, 1);
    std::vector<uint16_t> output(200 * 200 * 3);
    std::string text;
    for (const uint16_t number : {0, 1, 2, 6, 7, 8, 9, 65535}) {
        const auto m = CreateDemosaicMethod(number);
        const auto address = reinterpret_cast<uintptr_t>(m.get());
        text += Resident(m.get()) ? "present " : "absent ";
        text += m->Number() < 7 ? "" : address % 64 == 0 ? "aligned " : "unaligned ";
        const uint32_t rowLength = (200 - 2 * m->Border()) * m->Channels();
        text += std::string(m->Name()) + " " + std::to_string(m->Border()) + " " + std::to_string(m->TileWidth()) +
                "x" + std::to_string(m->TileHeight()) + " " + std::to_string(m->Channels()) + " " +
                std::to_string(m->Number()) + " " +
                std::to_string(m->ProcessTile(output.data(), rowLength, mosaic.view(), 190, 0, 11, 11)) +
                std::to_string(m->ProcessTile(output.data(), rowLength, mosaic.view(), 0, 0, m->TileWidth() + 1, 20)) +
                std::to_string(m->ProcessTile(nullptr, rowLength, mosaic.view(), 0, 0, 10, 10)) +
                std::to_string(m->ProcessTile(output.data(), rowLength, mosaic.view(), 4, 4, 10, 10)) + "; ";
    }
    return text;
}

// A block already large enough is kept, a smaller one replaced; a failed
// allocation leaves no block; a missing mosaic changes nothing; a cancel
// (at the third tick) releases the block and empties the image.
void Blocks(std::ostream& out) {
    OwnedImage image;
    const auto run = [&](const RawMosaic& mosaic, uint16_t number, Recorder* progress = nullptr) {
        const bool ok = DemosaicTiled(mosaic, image.image, *CreateDemosaicMethod(number), progress,
                                      CountingMemory::Allocate, CountingMemory::Release);
        out << ok << " " << ImageText(image.image) << test::MemoryText() << "; ";
    };
    CountingMemory::Reset();
    image.image.samples = static_cast<uint16_t*>(std::malloc(2610));  // 29 x 15 x 3 samples
    image.image.byteSize = 2610;
    uint16_t* const kept = image.image.samples;
    run(MakeScene(31, 17, 3).view(), 1);
    out << (image.image.samples == kept) << " ";
    run(MakeScene(32, 17, 3).view(), 1);
    CountingMemory::fail = true;
    run(MakeScene(40, 40, 3).view(), 1);
    image.image.width = 5;
    run(RawMosaic{nullptr, 20, 20}, 1);
    CountingMemory::Reset();
    Recorder cancelling(3);
    run(MakeScene(300, 150, 2).view(), 7);  // a block too small for the next run
    run(MakeScene(300, 150, 2).view(), 8, &cancelling);
    out << cancelling.log;
    CountingMemory::Reset();
}

std::array<int, 3> Average(const TestMosaic& mosaic, uint32_t column, uint32_t row, uint32_t columns,
                           uint32_t rows) {
    uint16_t red = 9999, green = 9999, blue = 9999;
    BlockAverage(mosaic.view(), column, row, columns, rows, &red, &green, &blue);
    return {red, green, blue};
}

std::string Reduced(const TestMosaic& mosaic, bool grey, int32_t factor) {
    OwnedImage out;
    const bool ok = DemosaicReduced(mosaic.view(), out.image, grey, factor, nullptr, nullptr);
    return std::to_string(ok) + " " + ImageText(out.image);
}

// Block means: samples x squared, a colour field, blocks cut at the edges or
// holding no site of a colour; means above 1023 are cut, places may be null.
std::string Averages() {
    const auto squares = MakeMosaic(8, 8, [](uint32_t x, uint32_t) { return x * x; });
    const auto field = MakeColourField(5, 5, 601, 300, 100);
    std::string text;
    for (const auto& [mosaic, box] : {std::pair{&squares, std::array<uint32_t, 4>{3, 0, 3, 3}},
                                      {&field, {1, 1, 3, 2}},
                                      {&field, {2, 2, 1, 1}},
                                      {&field, {3, 3, 100, 100}},
                                      {&field, {5, 0, 2, 2}}}) {
        const auto means = Average(*mosaic, box[0], box[1], box[2], box[3]);
        text += test::ValuesText(means) + "; ";
    }
    uint16_t green = 0;
    BlockAverage(MakeMosaic(4, 4, [](auto, auto) { return 5000; }).view(), 0, 0, 4, 4, nullptr, &green, nullptr);
    return text + std::to_string(green);
}

// Refused factors and mosaics leave the image alone; a block large enough is
// reused; a failed allocation leaves no block.
void ReducedBlocks(std::ostream& out) {
    const auto field = MakeColourField(120, 96, 10, 20, 30);
    OwnedImage image;
    const auto run = [&](const RawMosaic& mosaic, bool grey, int32_t factor) {
        const bool ok = DemosaicReduced(mosaic, image.image, grey, factor, CountingMemory::Allocate,
                                        CountingMemory::Release);
        out << ok << " " << ImageText(image.image) << test::MemoryText() << "; ";
    };
    CountingMemory::Reset();
    for (const int32_t factor : {1, 0, -3, 97}) run(field.view(), false, factor);
    run(MakeColourField(1, 50, 1, 2, 3).view(), false, 2);
    run(RawMosaic{nullptr, 10, 10}, false, 2);
    run(field.view(), false, 6);
    uint16_t* const block = image.image.samples;
    run(field.view(), true, 12);
    out << (image.image.samples == block) << " ";
    CountingMemory::fail = true;
    run(field.view(), false, 2);
    CountingMemory::Reset();
}

TEST(DemosaicResults, EveryMethodOnEveryVariantAsRecorded) {
    test::RecordedResults recorded("demosaic-results.golden");
    // Cases written in their names. "walk border <b> tile <t> <w>x<h>": the
    // tiles given to a method of that geometry. Bilinear (tile 138, border 1,
    // step 136) and Luminance/gradient (112, 4, 104); a remainder of at most 2
    // border sites moves the last tile back; a tile that is all border would
    // never advance. "method <n> <kind> <w>x<h> [seed <s>]": a mosaic (scene,
    // harsh or bright) through one object per method, used for every mosaic
    // as a session does, on one thread and on three. Tiny mosaics around each
    // method's smallest (1, 3, 5, 9); several tiles each way, odd sizes,
    // moved-back last tiles (213 = 2 x 104 + 5, 274 = 2 x 136 + 2), narrower
    // than one tile, the raw pattern's 896-wide tile.
    std::map<uint32_t, std::unique_ptr<DemosaicMethod>> methods;
    for (const std::string& name : recorded.Cases()) {
        std::istringstream words(name);
        std::string what, kind, word;
        uint32_t number = 0, tile = 0, width = 0, height = 0, seed = 0;
        char by = 0;
        words >> what;
        if (what == "walk") {
            words >> word >> number >> word >> tile >> width >> by >> height;
            recorded.CheckEveryVariant(name, [&] { return Walk(number, tile, width, height); });
        } else if (what == "method") {
            words >> number >> kind >> width >> by >> height >> word >> seed;
            EXPECT_TRUE(kind == "scene" || kind == "harsh" || kind == "bright") << name;
            const TestMosaic mosaic = kind == "scene"   ? MakeScene(width, height, seed)
                                      : kind == "harsh" ? test::MakeHarsh(width, height, seed)
                                                        : MakeMosaic(width, height, [](auto, auto) { return 4000; });
            auto& method = methods[number];
            if (!method) method = CreateDemosaicMethod(static_cast<uint16_t>(number));
            recorded.CheckEveryVariant(name, [&] { return Demosaic(*method, mosaic); }, {1, 3});
        }
    }
    recorded.CheckEveryVariant("methods", Methods);
    recorded.CheckEveryVariant("blocks", Blocks);
    recorded.CheckEveryVariant("block averages", Averages);
    const auto field = MakeColourField(100, 100, 601, 300, 100);
    recorded.Check("reduced field 3", Reduced(field, false, 3));  // the last row and column left out
    recorded.Check("reduced field grey 12", Reduced(field, true, 12));
    const auto squares = MakeMosaic(9, 6, [](uint32_t x, uint32_t) { return x * x; });
    recorded.Check("reduced squares 3", Reduced(squares, false, 3));
    recorded.Check("reduced scene 5", Reduced(MakeScene(251, 163, 8), false, 5));
    recorded.Check("reduced scene grey 7", Reduced(MakeScene(251, 163, 8), true, 7));
    recorded.CheckEveryVariant("reduced blocks", ReducedBlocks);
}

}  // namespace
}  // namespace kyp
