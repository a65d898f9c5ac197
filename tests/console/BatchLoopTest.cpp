#include <gtest/gtest.h>

#include "ConsoleTestSupport.h"

namespace kyp {
namespace {

// Records what the batch loop asks for; inputs containing "bad" fail to
// process, outputs containing "ro" fail to write, "norender" fails to render.
class RecordingConverter final : public FileConverter {
public:
    struct Call {
        std::string input;
        ImportSettings settings;
        bool progress;
        std::string output;
        uint32_t format = 0;
    };

    bool Process(const std::string& input, const ImportSettings& settings, const CurveTables&,
                 ProgressCallback* progress) override {
        calls.push_back({input, settings, progress != nullptr, "", 0});
        if (progress) {
            progress->SetText("Loading x  ...");
            (void)progress->Tick(16);
            progress->End();
        }
        return input.find("bad") == std::string::npos;
    }
    WriteResult Write(const std::string& output, const ImportSettings&, const OutputSettings& settings) override {
        calls.back().output = output;
        calls.back().format = settings.format;
        if (output.find("norender") != std::string::npos) return WriteResult::notRendered;
        return output.find("ro") != std::string::npos ? WriteResult::writeFailed : WriteResult::written;
    }

    std::vector<Call> calls;
};

TEST(BatchLoop, OptionsApplyOnlyToFilesAfterThem) {
    RecordingConverter converter;
    const test::RunOutput run = test::Run({"a.orf", "=g", "-j", "b", "=-g"}, &converter);
    EXPECT_EQ(run.code, 0);
    ASSERT_EQ(converter.calls.size(), 2u);
    EXPECT_EQ(converter.calls[0].output, "a.tif");
    EXPECT_FALSE(converter.calls[0].settings.options & opt::gray);
    EXPECT_EQ(converter.calls[1].output, "b.jpg");
    EXPECT_EQ(converter.calls[1].format, format::jpeg);
    EXPECT_TRUE(converter.calls[1].settings.options & opt::gray);
}

TEST(BatchLoop, VerbosityLevels) {
    RecordingConverter converter;
    const test::RunOutput full = test::Run({"a.orf"}, &converter);
    EXPECT_EQ(full.out, "Processing: a.orf\nSaving:     a.tif\n");
    EXPECT_EQ(full.err, "\b\b\b   \b\b\bLoading x  ...\b\b\b(-)\b\b\b   \b\b\b" + std::string(14, '\b') +
                            std::string(14, ' ') + std::string(14, '\b'));
    EXPECT_TRUE(converter.calls[0].progress);

    const test::RunOutput brief = test::Run({"-q", "a.orf"}, &converter);
    EXPECT_EQ(brief.out, "Processing: a.orf\nSaving:     a.tif\n");
    EXPECT_EQ(brief.err, "");
    EXPECT_FALSE(converter.calls[1].progress);

    const test::RunOutput quiet = test::Run({"-qq", "a.orf", "bad.orf"}, &converter);
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err, "!Error: Could not process 'bad.orf'\n");
}

TEST(BatchLoop, FailedFilesAreReportedAndTheRunGoesOn) {
    RecordingConverter converter;
    const test::RunOutput run =
        test::Run({"-q", "bad1.orf", "ro/x.orf", "norender.orf", "-o:/", "ok.orf"}, &converter);
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.err,
              "!Error: Could not process 'bad1.orf'\n"
              "!Error: Could not write output 'ro/x.tif'\n"
              "!Error: Could not process 'norender.orf'\n");
    EXPECT_EQ(run.out,
              "Processing: bad1.orf\n"
              "Processing: ro/x.orf\nSaving:     ro/x.tif\n"
              "Processing: norender.orf\nSaving:     norender.tif\n"
              "Processing: ok.orf\nSaving:     /ok.tif\n");
    EXPECT_EQ(converter.calls.size(), 4u);
}

TEST(BatchLoop, ArgumentErrorsStopBeforeLaterFiles) {
    test::TestFolder folder;
    folder.Write("file");
    RecordingConverter converter;
    const test::RunOutput run = test::Run({"-qq", "bad.orf", "-o:" + folder / "file", "a.orf"}, &converter);
    EXPECT_EQ(run.code, 1);  // the argument error decides the code
    EXPECT_EQ(converter.calls.size(), 1u);

    EXPECT_EQ(test::Run({"nothing.kis", "a.orf"}, &converter).err, "!Error: Cannot load settings file 'nothing.kis'\n");
    EXPECT_EQ(test::Run({"nothing.ACV"}, &converter).code, 1);
    EXPECT_EQ(converter.calls.size(), 1u);
    EXPECT_EQ(test::Run({"-qq", "*.does-not-match", folder / "*.none"}, &converter).code, 0);
}

TEST(BatchLoop, ManyAndOddArgumentsEndWithACode) {
    std::vector<std::string> arguments(10000, "-p");
    arguments.push_back("");
    const test::RunOutput run = test::Run(arguments);
    EXPECT_EQ(run.code, 0);
    EXPECT_NE(run.out.find("Input  : \nOutput : .tif\n\n"), std::string::npos);

    const test::RunOutput noConverter = test::Run({"-qq", "a.orf"});
    EXPECT_EQ(noConverter.code, 2);
}

}  // namespace
}  // namespace kyp
