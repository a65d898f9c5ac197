#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "ConsoleTestSupport.h"
#include "console/SessionConverter.h"
#include "platform/AtomicFile.h"
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
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }

    static test::TestFolder* folder_;
};

test::TestFolder* Conversion::folder_ = nullptr;

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

// A full disk in each format: the line names the output and the system's
// reason, and no partial file stays.
TEST_F(Conversion, FailedWriteSaysWhyAndLeavesNoFile) {
    const std::pair<const char*, const char*> formats[] = {{"-b:16", "p1.tif"}, {"-w", "p1.bmp"}, {"-j", "p1.jpg"}};
    for (const auto& [formatSwitch, outputName] : formats) {
        SCOPED_TRACE(formatSwitch);
        test::TestFolder out;
        SessionConverter converter;
        AtomicFile::InjectWriteFailureAfter(200);
        const test::RunOutput run = test::Run({"-qq", "-o:" + out.path(), formatSwitch, *folder_ / "p1.orf"}, &converter);
        AtomicFile::InjectWriteFailureAfter(-1);
        EXPECT_EQ(run.code, 2);
        EXPECT_EQ(run.err, "!Error: Could not write output '" + out / outputName + "': No space left on device\n");
        EXPECT_TRUE(out.Names().empty());
    }
}

// Inputs and outputs at the edges: no output replaces an input of the run or
// the output of another input; inputs that are no raw file are refused with
// their reason and never block. "W/" stands for the work folder; files are
// "name:kind" with kind o (the sample ORF), f (a named pipe), c (an ORF whose
// raw data is cut short), g (8 MB that are no TIFF structure) or d (a folder). Files in keep must still hold the
// ORF bytes afterwards.
TEST_F(Conversion, NothingLostNothingHangs) {
    const struct {
        std::vector<std::string> files;
        std::vector<std::string> arguments;
        int code;
        std::string err;
        std::vector<std::string> keep;
    } cases[] = {
        {{"w.tif:o"}, {"W/w.tif"}, 2, "!Error: Could not write output 'W/w.tif': Would replace the input 'W/w.tif'\n",
         {"w.tif"}},
        {{"w.jpg:o"}, {"-j", "W/*.jpg"}, 2,
         "!Error: Could not write output 'W/w.jpg': Would replace the input 'W/w.jpg'\n", {"w.jpg"}},
        {{"w.bmp:o"}, {"-w", "W/w.bmp"}, 2,
         "!Error: Could not write output 'W/w.bmp': Would replace the input 'W/w.bmp'\n", {"w.bmp"}},
        // An input named later on the command line is protected as well.
        {{"a.orf:o", "a.tif:o"}, {"W/a.orf", "W/a.tif"}, 2,
         "!Error: Could not write output 'W/a.tif': Would replace the input 'W/a.tif'\n"
         "!Error: Could not write output 'W/a.tif': Would replace the input 'W/a.tif'\n",
         {"a.orf", "a.tif"}},
        {{"x.ORF:o", "x.orf:o"}, {"W/*.orf"}, 2,
         "!Error: Could not write output 'W/x.tif': Would replace the output of 'W/x.ORF'\n", {"x.ORF", "x.orf"}},
        {{"d1:d", "d2:d", "d1/x.orf:o", "d2/x.orf:o", "out:d"}, {"-o:W/out", "W/d1/x.orf", "W/d2/x.orf"}, 2,
         "!Error: Could not write output 'W/out/x.tif': Would replace the output of 'W/d1/x.orf'\n", {}},
        {{"a.orf:o"}, {"W/a.orf", "=g", "W/a.orf"}, 0, "", {"a.orf"}},  // asked for twice: converted twice
        {{"d.orf:d", "f.orf:f", "g.ORF:g", "p.orf:o"}, {"W/*.orf"}, 2,
         "!Error: Could not process 'W/d.orf': Not a regular file\n!Error: Could not process 'W/f.orf': Not a regular "
         "file\n!Error: Could not process 'W/g.ORF': Not an ORF file\n",
         {}},
        {{"f.orf:f"}, {"W/f.orf"}, 2, "!Error: Could not process 'W/f.orf': Not a regular file\n", {}},
        {{"c.orf:c"}, {"W/c.orf"}, 2, "!Error: Could not process 'W/c.orf': Raw data cut short\n", {}},
        {{}, {"W/gone.orf"}, 2, "!Error: Could not process 'W/gone.orf': No such file or directory\n", {}},
        {{"a.orf:o"}, {"-x.orf", "=y.orf", "W/a.orf"}, 0,
         "!Warning: ignored unknown switch '-x.orf'\n!Warning: ignored unknown letters '.' in option list '=y.orf'\n",
         {}},
        {{}, {"--", "=g"}, 0, "!Warning: ignored unknown switch '--'\n!Warning: no input file named, nothing converted\n",
         {}},
        {{"a.orf:o", "b.orf:o"}, {"-b:16", "-j", "W/a.orf", "-w", "W/b.orf"}, 0,
         "!Warning: 16 bits per component apply to TIFF output only; JPEG and bitmap files get 8\n", {}},
    };
    const std::string orf = test::ReadFile(*folder_ / "p1.orf");
    std::string cut = orf;
    // Image height 60000 (a LONG in the main directory at offset 8): the raw data now runs past the end.
    for (size_t at = 10; at + 12 <= 8 + 2 + 12 * 30; at += 12) {
        if (cut[at] == 1 && cut[at + 1] == 1) {  // tag 257
            cut[at + 8] = 0, cut[at + 9] = 0, cut[at + 10] = char(0xEA), cut[at + 11] = 0x60;
            break;
        }
    }
    ASSERT_NE(cut, orf);
    for (const auto& c : cases) {
        test::TestFolder work;
        const auto path = [&](std::string text) {
            for (size_t at = 0; (at = text.find("W/", at)) != std::string::npos; at += work.path().size() + 1)
                text.replace(at, 2, work.path() + "/");
            return text;
        };
        for (const std::string& file : c.files) {
            const std::string name = file.substr(0, file.size() - 2);
            switch (file.back()) {
                case 'o': work.Write(name, orf); break;
                case 'c': work.Write(name, cut); break;
                case 'g': work.Write(name, std::string(8000000, 'x')); break;
                case 'f': ASSERT_EQ(::mkfifo((work / name).c_str(), 0600), 0); break;
                case 'd': std::filesystem::create_directory(work / name); break;
            }
        }
        std::vector<std::string> arguments = {"-qq"};
        for (const std::string& argument : c.arguments) arguments.push_back(path(argument));
        SessionConverter converter;
        const test::RunOutput run = test::Run(arguments, &converter);
        EXPECT_EQ(run.code, c.code) << c.arguments.back();
        EXPECT_EQ(run.err, path(c.err)) << c.arguments.back();
        for (const std::string& name : c.keep) EXPECT_TRUE(test::ReadFile(work / name) == orf) << name;
    }
}

}  // namespace
}  // namespace kyp
