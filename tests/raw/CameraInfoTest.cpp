#include "engine/raw/CameraInfo.h"

#include <gtest/gtest.h>

#include <clocale>
#include <thread>

#include "engine/core/PathText.h"
#include "engine/raw/TagVocabulary.h"
#include "engine/raw/TiffDocument.h"
#include "platform/TestFolder.h"
#include "raw/TiffBytes.h"
#include "tools/sample-orf/SampleOrf.h"

namespace kyp {
namespace {

TEST(TagVocabulary, WordFormsComputedByHand) {
    const std::pair<std::string, std::string> words[] = {
        {exposureTimeText(10, 1250), "1/125 second"}, {exposureTimeText(1, 60), "1/60 second"},
        {exposureTimeText(2, 1), "2/1 second"},       {exposureTimeText(0, 1), "0/1 second"},
        {exposureTimeText(3, 10), "1/3 second"} /* 10 / 3 truncates */,
        {fNumberText(8, 1), "F8.0"},                  {fNumberText(11, 1), "F11.0"},
        {fNumberText(28, 0), "unknown"} /* no division by zero */,
        {flashText(0), "Flash Not Fired"},            {flashText(0x20), "Flash Not FiredNo flash on camera"},
        {flashText(0x0F), "Flash FiredReturn sensedFill Flash"},
        {flashText(0x14), "Flash Not FiredReturn not sensedFlash Off"},
        {rationalText(7, 0, false), "7/0"},
        {rationalText(0xFFFFFFFFu, 1, false), "4294967295.00"} /* unsigned, not -1 */,
        {rationalText(static_cast<uint32_t>(-5), 0, true), "-5/0"},
        {captionRationalText(3, 10, false), "+0.30"},
        {captionRationalText(static_cast<uint32_t>(-7), 0, true), "-7/0"}};
    for (const auto& [text, expected] : words) EXPECT_EQ(text, expected);
    EXPECT_EQ(zoomPercent(1), 0);
    EXPECT_EQ(zoomPercent(17), 52);  // 1600 / 31 = 51.6 rounds up
    EXPECT_EQ(zoomPercent(0), -3);   // -100 / 31 = -3.2 rounds away from zero
    EXPECT_EQ(zoomPercent(0xFFFFFFFFu), 13854733206);  // no 32-bit overflow
}

TEST(TagVocabulary, FormatValueTableAndFallbacks) {
    EXPECT_EQ(formatValue(TiffEntry::makeShort(34850, 8)), "Landscape Mode");
    EXPECT_EQ(formatValue(TiffEntry::makeShort(34850, 0)), "<unknown> 0");
    EXPECT_EQ(formatValue(TiffEntry::makeShort(37383, 1)), "Average");
    EXPECT_EQ(formatValue(TiffEntry::makeShort(37383, 255)), "<unknown> 255");
    EXPECT_EQ(formatValue(TiffEntry::makeShort(37383, 32768)), "Vendor Unique 32768");
    // An FNumber without out-of-line data, an ExposureTime of a type without
    // a rational, and tags without a row.
    EXPECT_EQ(formatValue(TiffEntry::makeShort(33437, 28)), "unknown");
    EXPECT_FALSE(formatValue(TiffEntry::makeShort(33434, 5)).has_value());
    EXPECT_FALSE(formatValue(TiffEntry::makeShort(34855, 100)).has_value());
    EXPECT_FALSE(formatValue(TiffEntry::makeShort(37384, 1)).has_value());
}

TEST(TagVocabulary, FormatValueFromManyThreadsAtOnce) {
    // Each thread keeps formatting its own value; shared state would mix them up.
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &mismatches] {
            const TiffEntry entry = TiffEntry::makeShort(37383, static_cast<uint16_t>(100 + t));
            const std::string expected = "<unknown> " + std::to_string(100 + t);
            for (int i = 0; i < 2000; ++i)
                if (formatValue(entry) != expected) ++mismatches[t];
        });
    }
    for (std::thread& th : threads) th.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

class CameraInfoFixture : public ::testing::Test {
protected:
    void SetUp() override { std::setlocale(LC_TIME, "C"); }

    // A small generated ORF (Exif directory and Olympus maker note included).
    static sample::SampleOrfOptions small() {
        sample::SampleOrfOptions o;
        o.width = 64;
        o.height = 48;
        o.previewWidth = 16;
        o.minimumFileSize = 0;
        return o;
    }
    // With a name, through a real file (the texts then show the name).
    bool open(const sample::SampleOrfOptions& options, const char* name = nullptr) {
        if (name) {
            const std::string path = folder_ / name;
            return sample::WriteSampleOrf(path, options) && document_.open(path) && document_.parse();
        }
        return sample::BuildSampleOrf(options, bytes_) &&
               document_.openMemory(ByteView(bytes_.data(), bytes_.size())) && document_.parse();
    }

    test::TestFolder folder_;
    std::vector<uint8_t> bytes_;
    TiffDocument document_;
};

TEST_F(CameraInfoFixture, FullTextSummaryAndCaption) {
    ASSERT_TRUE(open(small(), "P6140001.ORF"));
    const std::string name(FileNamePart(document_.file().path()));
    EXPECT_EQ(cameraInfoText(document_),
              "File:\t" + name + "\r\n"
              "Date/Time:\t06/14/03 10:31:07\r\n"
              "Aperture:\tF2.8\r\n"
              "Shutter:\t1/125 second\r\n"
              "Focal length:\t15.00\r\n"
              "Exposure bias:\t-0.33 EV\r\n"
              "Metering mode:\tPattern\r\n"
              "Exposure mode:\tProgram Normal\r\n"
              "Speed:\tISO 100\r\n"
              "Flash:\tFlash FiredAuto Flash\r\n"
              "Focusing:\tAuto\r\n"
              "Macro:\tOff\r\n"
              "Zoom:\t12 (35%)\r\n"
              "Flash mode:\tFlash\r\n"
              "Flash bias:\t-0.33 EV\r\n"
              "White Balance:\t4500K\r\n"
              "Red  WB Bias:\t1.78\r\n"
              "Blue WB Bias:\t1.48\r\n"
              "Sharpness setting:\tNormal\r\n"
              "Contrast setting:\tNormal\r\n"
              "Software version:\tSample ORF generator\r\n"
              "Firmware version:\tSX358\r\n");
    EXPECT_EQ(cameraSummary(document_),
              name + "  06/14/03 10:31:07\r\n"
              "F2.8, 1/125 second, -0.33 EV, Pattern, Program Normal, ISO 100, Flash FiredAuto Flash, "
              "Auto Focus, Zoom 12 (35%), Flash, Flash -0.33 EV, White Balance 4500K (456,380), "
              "Normal Sharpness, Normal Contrast");
    EXPECT_EQ(cameraCaption(document_),
              name + "\r\n06/14/03 10:31:07\r\nF2.8, 10/1250 second\r\n-0.33 EV\r\nMeter: Pattern\r\n"
              "Exposure: Program Normal\r\nFlash FiredAuto Flash, Flash-0.33 EV\r\nAuto Focus\r\n"
              "White Balance 4500K (456/380)\r\n");
}

TEST_F(CameraInfoFixture, UnfiredFlashZeroBiasesAndOtherWords) {
    sample::SampleOrfOptions o = small();
    o.meteringMode = 2;
    o.flash = 0x10;  // not fired, flash off
    o.exposureBias[0] = 0;
    o.flashBias[0] = 0;
    o.bracketBias[0] = 2;
    o.macro = 1;
    o.focusMode = 1;
    o.zoomStep = 32;
    o.sharpness = 2;
    o.contrast = 7;
    o.whiteBalance[0] = 3;  // quick reference
    o.exposureProgram = 9;
    ASSERT_TRUE(open(o));

    const std::string full = *cameraInfoText(document_);
    EXPECT_EQ(full.find("File:"), std::string::npos);  // a document in memory has no file name
    EXPECT_EQ(full.find("Exposure bias"), std::string::npos);
    EXPECT_EQ(full.find("Flash bias"), std::string::npos);
    for (const char* line : {"Metering mode:\tCenter-weighted average\r\n", "Exposure mode:\t<unknown> 9\r\n",
                             "Flash:\tFlash Not FiredFlash Off\r\n", "Macro:\tOn\r\n", "Focusing:\tManual\r\n",
                             "Zoom:\t32 (100%)\r\n", "Bracket bias:\t+0.20 EV\r\n",
                             "White Balance:\tQuick Reference\r\n", "Sharpness setting:\tSoft\r\n",
                             "Contrast setting:\t?\r\n"}) {
        EXPECT_NE(full.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(cameraSummary(document_),
              "  06/14/03 10:31:07\r\n"
              "F2.8, 1/125 second, Center-weighted average, <unknown> 9, ISO 100, Manual Focus, Macro, "
              "Zoom 32 (100%), Bracket +0.20 EV, White Balance Quick Reference (456,380), Soft Sharpness, ? Contrast");
    EXPECT_EQ(cameraCaption(document_),
              "06/14/03 10:31:07\r\nF2.8, 10/1250 second\r\nMeter: Center-weighted\r\nExposure: <unknown> 9\r\n"
              "Manual Focus\r\nMacro\r\nWhite Balance Quick Reference (456/380)\r\n");
}

TEST_F(CameraInfoFixture, ForeignOrMissingMakerNoteLeavesOutItsItems) {
    sample::SampleOrfOptions o = small();
    o.makerNoteSignature = "NIKON";
    ASSERT_TRUE(open(o));
    const std::string full = *cameraInfoText(document_);
    EXPECT_NE(full.find("Flash:\tFlash FiredAuto Flash\r\n"), std::string::npos);
    EXPECT_EQ(full.find("Focusing"), std::string::npos);
    EXPECT_EQ(full.find("White Balance"), std::string::npos);
    EXPECT_NE(full.find("Software version:\tSample ORF generator\r\n"), std::string::npos);
    // The fired flash's line of the caption is left open without a maker note.
    const std::string caption = cameraCaption(document_);
    EXPECT_EQ(caption.substr(caption.size() - 23), "Flash FiredAuto Flash, ");

    o.writeMakerNote = false;
    ASSERT_TRUE(open(o));
    EXPECT_EQ(cameraSummary(document_)->find("Focus"), std::string::npos);
}

TEST_F(CameraInfoFixture, NoExifOrClosedDocumentGivesNoText) {
    test::TiffBytes bare(true);
    bare.header(8);
    bare.directory(8, {bare.longRecord(256, 4, 1, 64)});
    ASSERT_TRUE(document_.openMemory(bare.view()) && document_.parse());
    EXPECT_FALSE(cameraInfoText(document_).has_value());
    EXPECT_FALSE(cameraSummary(document_).has_value());
    EXPECT_EQ(cameraCaption(document_), "");
    TiffDocument closed;
    EXPECT_FALSE(cameraInfoText(closed).has_value());
    EXPECT_EQ(cameraCaption(closed), "");
}

// Unknown or damaged dates are shown as stored; any separator is read.
TEST_F(CameraInfoFixture, ExifDatesInTheLocaleFormat) {
    const std::pair<std::string_view, std::string> dates[] = {
        {"2003:12:31 23:59:58", "12/31/03 23:59:58"}, {"2004-01-02T03:04:05", "01/02/04 03:04:05"},
        {"2004:01:02 03:04:05extra", "01/02/04 03:04:05"}, {"0000:00:00 00:00:00", "0000:00:00 00:00:00"},
        {"    :  :     :  :  ", "    :  :     :  :  "}, {"2003:13:01 00:00:00", "2003:13:01 00:00:00"},
        {"2003:12:31", "2003:12:31"}, {std::string_view("20\n3:1", 6), "20?3:1"}};
    for (const auto& [stored, shown] : dates) EXPECT_EQ(exifDateText(stored), shown) << stored;
}

}  // namespace
}  // namespace kyp
