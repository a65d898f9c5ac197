#include <gtest/gtest.h>

#include <filesystem>

#include "ConsoleTestSupport.h"
#include "console/SessionConverter.h"
#include "tools/sample-orf/SampleOrf.h"

namespace kyp {
namespace {

// A folder of small generated ORF files, written once for the whole suite.
class Conversion : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new test::TestFolder();
        SampleOrfOptions options;
        options.width = 96;
        options.height = 64;
        options.writePreview = false;
        ASSERT_TRUE(WriteSampleOrf(*folder_ / "p1.orf", options));
        std::filesystem::copy_file(*folder_ / "p1.orf", *folder_ / "P2.ORF");
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }

    static std::string Head(const std::string& path, size_t count) { return test::ReadFile(path).substr(0, count); }

    static test::TestFolder* folder_;
};

test::TestFolder* Conversion::folder_ = nullptr;

TEST_F(Conversion, PatternConvertsMatchesBesideTheirInputsAndGoesOnAfterFailures) {
    test::TestFolder work;
    std::filesystem::copy_file(*folder_ / "p1.orf", work / "p1.orf");
    std::filesystem::copy_file(*folder_ / "P2.ORF", work / "P2.ORF");
    std::filesystem::create_directory(work / "P3.orf");  // a folder named like an ORF
    work.Write("P0.orf", std::string(8000000, 'x'));     // not a TIFF structure at all

    SessionConverter converter;
    const test::RunOutput run = test::Run({"-q", work.path() + "/*.orf"}, &converter);
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.err, "!Error: Could not process '" + work / "P0.orf" + "': Not an ORF file\n" +
                           "!Error: Could not process '" + work / "P3.orf" + "': Not a regular file\n");
    EXPECT_EQ(run.out, "Processing: " + work / "P0.orf" + "\nProcessing: " + work / "P2.ORF" +
                           "\nSaving:     " + work / "P2.tif" + "\nProcessing: " + work / "P3.orf" +
                           "\nProcessing: " + work / "p1.orf" + "\nSaving:     " + work / "p1.tif" + "\n");
    // Nothing but the inputs and the two outputs: no partial or temporary file.
    EXPECT_EQ(work.Names(),
              (std::vector<std::string>{"P0.orf", "P2.ORF", "P2.tif", "P3.orf", "p1.orf", "p1.tif"}));
    EXPECT_EQ(Head(work / "p1.tif", 4), std::string("II*\0", 4));
}

TEST_F(Conversion, FormatsAndOutputFolder) {
    test::TestFolder out;
    SessionConverter converter;
    const test::RunOutput run = test::Run({"-qq", "-o:" + out.path(), "-j:80", *folder_ / "p1.orf", "-w", "=g",
                                           *folder_ / "P2.ORF", "-o", "-b:16"},
                                          &converter);
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out + run.err, "");
    EXPECT_EQ(out.Names(), (std::vector<std::string>{"P2.bmp", "p1.jpg"}));
    EXPECT_EQ(Head(out / "p1.jpg", 2), "\xFF\xD8");
    EXPECT_EQ(Head(out / "P2.bmp", 2), "BM");
    EXPECT_FALSE(std::filesystem::exists(*folder_ / "p1.jpg"));
}

TEST_F(Conversion, FullVerbosityShowsStepTextsOnTheErrorStream) {
    test::TestFolder out;
    SessionConverter converter;
    const test::RunOutput run = test::Run({"-o:" + out.path(), *folder_ / "p1.orf"}, &converter);
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "Processing: " + *folder_ / "p1.orf" + "\nSaving:     " + out / "p1.tif" + "\n");
    EXPECT_NE(run.err.find("Loading p1.orf  ..."), std::string::npos);
    EXPECT_NE(run.err.find("Luminance/gradient"), std::string::npos);
    // Everything shown was erased again at the end.
    EXPECT_EQ(run.err.substr(run.err.size() - 3), "\b\b\b");
}

}  // namespace
}  // namespace kyp
