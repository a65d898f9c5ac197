#include "engine/raw/CameraInfo.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "engine/raw/TagVocabulary.h"
#include "engine/raw/TiffDocument.h"
#include "raw/CameraInfoTestTiff.h"
#include "tools/sample-orf/SampleOrf.h"

namespace kyp {
namespace {

namespace tt = testtiff;

TEST(TagVocabulary, ExposureTimeAndFNumber) {
    EXPECT_EQ(exposureTimeText(10, 1250), "1/125 second");
    EXPECT_EQ(exposureTimeText(1, 60), "1/60 second");
    EXPECT_EQ(exposureTimeText(2, 1), "2/1 second");
    EXPECT_EQ(exposureTimeText(0, 1), "0/1 second");
    EXPECT_EQ(exposureTimeText(3, 10), "1/3 second");  // 10 / 3 truncates
    EXPECT_EQ(exposureTimeText(5, 0), "5/0 second");
    EXPECT_EQ(fNumberText(28, 10), "F2.8");
    EXPECT_EQ(fNumberText(8, 1), "F8.0");
    EXPECT_EQ(fNumberText(11, 1), "F11.0");
    EXPECT_EQ(fNumberText(28, 0), "unknown");
}

TEST(TagVocabulary, FlashTextRunsTheWordsTogether) {
    EXPECT_EQ(flashText(0x19), "Flash FiredAuto Flash");
    EXPECT_EQ(flashText(0), "Flash Not Fired");
    EXPECT_EQ(flashText(0x20), "Flash Not FiredNo flash on camera");
    EXPECT_EQ(flashText(0x0F), "Flash FiredReturn sensedFill Flash");
    EXPECT_EQ(flashText(0x14), "Flash Not FiredReturn not sensedFlash Off");
    EXPECT_EQ(flashText(0x02), "Flash Not Fired");  // bits 1-2 = 1 says nothing
}

TEST(TagVocabulary, RationalForms) {
    EXPECT_EQ(rationalText(143, 10, false), "14.30");
    EXPECT_EQ(rationalText(7, 0, false), "7/0");
    EXPECT_EQ(rationalText(0xFFFFFFFFu, 1, false), "4294967295.00");
    EXPECT_EQ(rationalText(static_cast<uint32_t>(-3), 10, true), "-0.30");
    EXPECT_EQ(rationalText(3, 10, true), "+0.30");
    EXPECT_EQ(rationalText(static_cast<uint32_t>(-5), 0, true), "-5/0");
    EXPECT_EQ(captionRationalText(3, 10, false), "+0.30");
    EXPECT_EQ(captionRationalText(static_cast<uint32_t>(-7), 10, true), "-0.70");
    EXPECT_EQ(captionRationalText(7, 0, true), "7/0");
    EXPECT_EQ(captionRationalText(static_cast<uint32_t>(-7), 0, true), "-7/0");
}

TEST(TagVocabulary, MakerNoteWordsAndZoom) {
    EXPECT_STREQ(flashModeWord(1), "Red-Eye");
    EXPECT_STREQ(flashModeWord(4), "?");
    EXPECT_STREQ(focusWord(0), "Auto");
    EXPECT_STREQ(focusWord(7), "Manual");
    EXPECT_STREQ(macroWord(2), "On");
    EXPECT_STREQ(sharpnessWord(2), "Soft");
    EXPECT_STREQ(sharpnessWord(3), "?");
    EXPECT_STREQ(contrastWord(0), "High");
    EXPECT_STREQ(contrastWord(3), "?");
    EXPECT_EQ(zoomPercent(1), 0);
    EXPECT_EQ(zoomPercent(32), 100);
    EXPECT_EQ(zoomPercent(16), 48);  // 1500 / 31 = 48.4
    EXPECT_EQ(zoomPercent(17), 52);  // 1600 / 31 = 51.6 rounds up
    EXPECT_EQ(zoomPercent(0), -3);   // -100 / 31 = -3.2
    EXPECT_EQ(zoomPercent(0xFFFFFFFFu), 13854733206);  // no 32-bit overflow
}

TEST(TagVocabulary, FormatValueTableAndFallbacks) {
    EXPECT_EQ(formatValue(TiffEntry::makeShort(34850, 3)), "Aperture Priority");
    EXPECT_EQ(formatValue(TiffEntry::makeShort(34850, 8)), "Landscape Mode");
    EXPECT_EQ(formatValue(TiffEntry::makeShort(34850, 9)), "<unknown> 9");
    EXPECT_EQ(formatValue(TiffEntry::makeShort(34850, 0)), "<unknown> 0");
    EXPECT_EQ(formatValue(TiffEntry::makeShort(37383, 1)), "Average");
    EXPECT_EQ(formatValue(TiffEntry::makeShort(37383, 255)), "<unknown> 255");
    EXPECT_EQ(formatValue(TiffEntry::makeShort(37383, 32768)), "Vendor Unique 32768");
    EXPECT_EQ(formatValue(TiffEntry::makeShort(37385, 0x19)), "Flash FiredAuto Flash");
    const uint32_t time[] = {10, 1250};
    EXPECT_EQ(formatValue(TiffEntry::makeRationals(33434, time)), "1/125 second");
    const uint32_t aperture[] = {28, 10};
    EXPECT_EQ(formatValue(TiffEntry::makeRationals(33437, aperture)), "F2.8");
    // An FNumber without out-of-line data: no rational to show.
    EXPECT_EQ(formatValue(TiffEntry::makeShort(33437, 28)), "unknown");
    // ExposureTime of a type that holds no rational has no word form.
    EXPECT_FALSE(formatValue(TiffEntry::makeShort(33434, 5)).has_value());
    // Tags without a row have none either.
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

    static tt::File sampleFile() {
        tt::File f;
        f.main = {tt::ascii(271, "OLYMPUS OPTICAL CO.,LTD"), tt::ascii(305, "v751-74")};
        f.exif = {
            tt::rational(33434, 10, 1250),
            tt::rational(33437, 28, 10),
            tt::shorts(34850, {2}),
            tt::shorts(34855, {100}),
            tt::ascii(36867, "2003:12:31 23:59:58"),
            tt::srational(37380, -3, 10),
            tt::shorts(37383, {5}),
            tt::shorts(37385, {0x19}),
            tt::rational(37386, 143, 10),
        };
        f.makerNote = {
            tt::shorts(0x0202, {0}),
            tt::ascii(0x0207, "SX751"),
            tt::shorts(0x1004, {1}),
            tt::srational(0x1006, 0, 10),
            tt::shorts(0x100B, {0}),
            tt::shorts(0x100D, {16}),
            tt::shorts(0x100F, {0}),
            tt::shorts(0x1015, {2, 5}),
            tt::shorts(0x1017, {384}),
            tt::shorts(0x1018, {320}),
            tt::srational(0x1023, 7, 10),
            tt::shorts(0x1029, {1}),
        };
        return f;
    }

    // Opens the file's bytes as a document; with a name, through a real file.
    bool open(const tt::File& f, const char* name = nullptr) {
        bytes_ = tt::build(f);
        if (!name) return document_.openMemory(ByteView(bytes_.data(), bytes_.size())) && document_.parse();
        const char* tmp = std::getenv("KYP_TEST_TMP");
        const std::filesystem::path dir = std::filesystem::path(tmp ? tmp : "/tmp") / "camera-info-test";
        std::filesystem::create_directories(dir);
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes_.data()),
                                                   static_cast<std::streamsize>(bytes_.size()));
        return document_.open(path) && document_.parse();
    }

    std::vector<uint8_t> bytes_;
    TiffDocument document_;
};

TEST_F(CameraInfoFixture, FullTextHasEveryItemInOrder) {
    ASSERT_TRUE(open(sampleFile(), "P1010001.ORF"));
    EXPECT_EQ(cameraInfoText(document_),
              "File:\tP1010001.ORF\r\n"
              "Date/Time:\t12/31/03 23:59:58\r\n"
              "Aperture:\tF2.8\r\n"
              "Shutter:\t1/125 second\r\n"
              "Focal length:\t14.30\r\n"
              "Exposure bias:\t-0.30 EV\r\n"
              "Metering mode:\tPattern\r\n"
              "Exposure mode:\tProgram Normal\r\n"
              "Speed:\tISO 100\r\n"
              "Flash:\tFlash FiredAuto Flash\r\n"
              "Focusing:\tAuto\r\n"
              "Macro:\tOff\r\n"
              "Zoom:\t16 (48%)\r\n"
              "Flash mode:\tRed-Eye\r\n"
              "Flash bias:\t+0.70 EV\r\n"
              "White Balance:\t4500K\r\n"
              "Red  WB Bias:\t1.50\r\n"
              "Blue WB Bias:\t1.25\r\n"
              "Sharpness setting:\tNormal\r\n"
              "Contrast setting:\tNormal\r\n"
              "Software version:\tv751-74\r\n"
              "Firmware version:\tSX751\r\n");
}

TEST_F(CameraInfoFixture, SummaryAndCaption) {
    ASSERT_TRUE(open(sampleFile(), "P1010001.ORF"));
    EXPECT_EQ(cameraSummary(document_),
              "P1010001.ORF  12/31/03 23:59:58\r\n"
              "F2.8, 1/125 second, -0.30 EV, Pattern, Program Normal, ISO 100, Flash FiredAuto Flash, "
              "Auto Focus, Zoom 16 (48%), Red-Eye, Flash +0.70 EV, White Balance 4500K (384,320), "
              "Normal Sharpness, Normal Contrast");
    EXPECT_EQ(cameraCaption(document_),
              "P1010001.ORF\r\n"
              "12/31/03 23:59:58\r\n"
              "F2.8, 10/1250 second\r\n"
              "-0.30 EV\r\n"
              "Meter: Pattern\r\n"
              "Exposure: Program Normal\r\n"
              "Flash FiredAuto Flash, Red-Eye+0.70 EV\r\n"
              "Auto Focus\r\n"
              "White Balance 4500K (384/320)\r\n");
}

TEST_F(CameraInfoFixture, UnfiredFlashZeroBiasesAndMissingBalances) {
    tt::File f = sampleFile();
    f.exif[6] = tt::shorts(37383, {2});      // centre-weighted
    f.exif[7] = tt::shorts(37385, {0x10});   // not fired, flash off
    f.exif[5] = tt::srational(37380, 0, 10); // no exposure bias
    f.makerNote[10] = tt::srational(0x1023, 0, 10);
    f.makerNote[0] = tt::shorts(0x0202, {1});  // macro on
    f.makerNote.erase(f.makerNote.begin() + 8, f.makerNote.begin() + 10);  // no red or blue balance
    std::sort(f.makerNote.begin(), f.makerNote.end(), [](auto& a, auto& b) { return a.tag < b.tag; });
    ASSERT_TRUE(open(f));

    const std::string full = *cameraInfoText(document_);
    EXPECT_EQ(full.find("File:"), std::string::npos);  // a document in memory has no file name
    EXPECT_EQ(full.find("Exposure bias"), std::string::npos);
    EXPECT_EQ(full.find("Flash bias"), std::string::npos);
    EXPECT_EQ(full.find("WB Bias"), std::string::npos);
    EXPECT_NE(full.find("Metering mode:\tCenter-weighted average\r\n"), std::string::npos);
    EXPECT_NE(full.find("Macro:\tOn\r\n"), std::string::npos);

    EXPECT_EQ(cameraSummary(document_),
              "  12/31/03 23:59:58\r\n"
              "F2.8, 1/125 second, Center-weighted average, Program Normal, ISO 100, Auto Focus, Macro, "
              "Zoom 16 (48%), White Balance 4500K (256,256), Normal Sharpness, Normal Contrast");
    EXPECT_EQ(cameraCaption(document_),
              "12/31/03 23:59:58\r\n"
              "F2.8, 10/1250 second\r\n"
              "Meter: Center-weighted\r\n"
              "Exposure: Program Normal\r\n"
              "Auto Focus\r\n"
              "Macro\r\n"
              "White Balance 4500K (256/256)\r\n");
}

TEST_F(CameraInfoFixture, ForeignOrMissingMakerNoteLeavesOutItsItems) {
    tt::File f = sampleFile();
    f.makerSignature = {'N', 'I', 'K', 'O', 'N', 0, 1, 0};
    ASSERT_TRUE(open(f));
    const std::string full = *cameraInfoText(document_);
    EXPECT_NE(full.find("Flash:\tFlash FiredAuto Flash\r\n"), std::string::npos);
    EXPECT_EQ(full.find("Focusing"), std::string::npos);
    EXPECT_EQ(full.find("White Balance"), std::string::npos);
    EXPECT_NE(full.find("Software version:\tv751-74\r\n"), std::string::npos);
    // The fired flash's line of the caption is left open without a maker note.
    const std::string caption = cameraCaption(document_);
    EXPECT_EQ(caption.substr(caption.size() - 23), "Flash FiredAuto Flash, ");

    f.makerNote.clear();
    ASSERT_TRUE(open(f));
    EXPECT_EQ(cameraSummary(document_)->find("Focus"), std::string::npos);
}

TEST_F(CameraInfoFixture, NoExifOrClosedDocumentGivesNoText) {
    tt::File f = sampleFile();
    f.withExif = false;
    ASSERT_TRUE(open(f));
    EXPECT_FALSE(cameraInfoText(document_).has_value());
    EXPECT_FALSE(cameraSummary(document_).has_value());
    EXPECT_EQ(cameraCaption(document_), "");
    TiffDocument closed;
    EXPECT_FALSE(cameraInfoText(closed).has_value());
    EXPECT_EQ(cameraCaption(closed), "");
}

TEST_F(CameraInfoFixture, GeneratedOrfFile) {
    sample::SampleOrfOptions options;
    options.width = 64;
    options.height = 48;
    options.previewWidth = 32;
    options.minimumFileSize = 0;
    const char* tmp = std::getenv("KYP_TEST_TMP");
    const std::filesystem::path dir = std::filesystem::path(tmp ? tmp : "/tmp") / "camera-info-test";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "P6140001.ORF").string();
    ASSERT_TRUE(sample::WriteSampleOrf(path, options));
    ASSERT_TRUE(document_.open(path) && document_.parse());
    EXPECT_EQ(cameraInfoText(document_),
              "File:\tP6140001.ORF\r\n"
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
    EXPECT_EQ(cameraCaption(document_),
              "P6140001.ORF\r\n06/14/03 10:31:07\r\nF2.8, 10/1250 second\r\n-0.33 EV\r\nMeter: Pattern\r\n"
              "Exposure: Program Normal\r\nFlash FiredAuto Flash, Flash-0.33 EV\r\nAuto Focus\r\n"
              "White Balance 4500K (456/380)\r\n");
}

TEST_F(CameraInfoFixture, ExifDatesInTheLocaleFormat) {
    EXPECT_EQ(exifDateText("2003:12:31 23:59:58"), "12/31/03 23:59:58");
    EXPECT_EQ(exifDateText("2004-01-02T03:04:05"), "01/02/04 03:04:05");  // any separator
    EXPECT_EQ(exifDateText("2004:01:02 03:04:05extra"), "01/02/04 03:04:05");
    // Unknown or damaged dates are shown as stored.
    EXPECT_EQ(exifDateText("0000:00:00 00:00:00"), "0000:00:00 00:00:00");
    EXPECT_EQ(exifDateText("    :  :     :  :  "), "    :  :     :  :  ");
    EXPECT_EQ(exifDateText("2003:13:01 00:00:00"), "2003:13:01 00:00:00");
    EXPECT_EQ(exifDateText("2003:12:31"), "2003:12:31");
    EXPECT_EQ(exifDateText(std::string_view("20\n3:1", 6)), "20?3:1");
    EXPECT_EQ(fileNameOf("/photos/a.b/P1.ORF"), "P1.ORF");
    EXPECT_EQ(fileNameOf("P1.ORF"), "P1.ORF");
    EXPECT_EQ(fileNameOf("back\\slash"), "back\\slash");
}

}  // namespace
}  // namespace kyp
