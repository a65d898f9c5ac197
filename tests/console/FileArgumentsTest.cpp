#include <gtest/gtest.h>

#include <filesystem>

#include "ConsoleTestSupport.h"
#include "console/FileArguments.h"

namespace kyp {
namespace {

TEST(FileArguments, SeparatorsAndOutputNames) {
    EXPECT_EQ(CollapseSeparators("a//b///c/"), "a/b/c/");
    EXPECT_EQ(NormaliseFolder("out///"), "out");
    EXPECT_EQ(NormaliseFolder("///"), "/");
    EXPECT_EQ(NormaliseFolder("a\\b\\"), "a\\b\\");  // a backslash is a name character

    EXPECT_EQ(MakeOutputName("photos.v2/P100", "", ".tif"), "photos.v2/P100.tif");
    EXPECT_EQ(MakeOutputName("a/P1.2.ORF", "", ".jpg"), "a/P1.2.jpg");
    EXPECT_EQ(MakeOutputName("a.b/P1.ORF", "out", ".bmp"), "out/P1.bmp");
    EXPECT_EQ(MakeOutputName("P1", "/", ".tif"), "/P1.tif");
}

TEST(FileArguments, WildcardMatching) {
    EXPECT_TRUE(MatchWildcard("*.orf", "P1010001.ORF"));
    EXPECT_TRUE(MatchWildcard("p??1*", "P101.orf"));
    EXPECT_TRUE(MatchWildcard("*a*b*", "xxaxxbx"));
    EXPECT_TRUE(MatchWildcard("**", ""));
    EXPECT_FALSE(MatchWildcard("*.orf", "a.orf.tif"));
    EXPECT_FALSE(MatchWildcard("?", ""));
    EXPECT_FALSE(MatchWildcard("a*b*c", "aXbXd"));
    // Backtracking stays cheap on a long name that almost matches.
    EXPECT_FALSE(MatchWildcard("*a*a*a*a*a*b", std::string(5000, 'a')));
}

TEST(FileArguments, ExpansionSortsByteOrderAndIncludesFolders) {
    test::TestFolder folder;
    for (const char* name : {"b.ORF", "a.orf", "A.orf", "c.txt", "_x.Orf"}) folder.Write(name);
    std::filesystem::create_directory(folder / "sub.orf");
    const std::string prefix = folder.path() + "/";
    const std::vector<std::string> expected = {prefix + "A.orf", prefix + "_x.Orf", prefix + "a.orf",
                                               prefix + "b.ORF", prefix + "sub.orf"};
    EXPECT_EQ(ExpandWildcard(prefix + "*.orf"), expected);
    EXPECT_TRUE(ExpandWildcard(prefix + "*.nef").empty());
    EXPECT_TRUE(ExpandWildcard(folder / "none/*").empty());
}

TEST(FileArguments, PrintOnlyRunShowsNamesThatWouldBeUsed) {
    test::TestFolder folder;
    folder.Write("P2.ORF");
    folder.Write("P1.orf");
    std::filesystem::create_directory(folder / "out");
    const test::RunOutput run =
        test::Run({"-p", "=-tofwmlzy-ae", folder.path() + "//*.orf", "-o:" + folder / "out/", "-w",
                   folder / "*.nothing", "photos.v2/P100"});
    const std::string report = "Options:\n\tLuminance/gradient\n\t";
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, report + "Input  : " + folder / "P1.orf\nOutput : " + folder / "P1.tif\n\n" + report +
                           "Input  : " + folder / "P2.ORF\nOutput : " + folder / "P2.tif\n\n" + report +
                           "Saving in Bitmap format\nInput  : photos.v2/P100\nOutput : " + folder / "out" +
                           "/P100.bmp\n\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "P1.tif"));
}

}  // namespace
}  // namespace kyp
