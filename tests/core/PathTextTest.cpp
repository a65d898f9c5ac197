#include "engine/core/PathText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace kyp {

TEST(PathText, FileNamePartIsTheTextAfterTheLastSlash) {
    EXPECT_EQ(FileNamePart("/photos/2024/P1010001.ORF"), "P1010001.ORF");
    EXPECT_EQ(FileNamePart("P1010001.ORF"), "P1010001.ORF");
    EXPECT_EQ(FileNamePart("a\\b.orf"), "a\\b.orf");  // a backslash is a name character
    EXPECT_EQ(FileNamePart("photos/"), "");
    EXPECT_EQ(FileNamePart("/"), "");
    EXPECT_EQ(FileNamePart(""), "");
    // A view into the path, so it can go where a C string is wanted.
    const std::string path = "/in/P1.ORF";
    const std::string_view name = FileNamePart(path);
    EXPECT_EQ(name.data(), path.data() + 4);
    EXPECT_EQ(std::strlen(name.data()), name.size());
}

TEST(PathText, ExtensionComesFromTheFileNameOnly) {
    EXPECT_TRUE(HasExtension("/x/Look.KIS", ".kis"));
    EXPECT_TRUE(HasExtension("curve.acv", ".ACV"));
    EXPECT_TRUE(HasExtension("a.b.kis", ".kis"));  // the last "." counts
    EXPECT_FALSE(HasExtension("set.kis/photo", ".kis"));
    EXPECT_FALSE(HasExtension("x.kiss", ".kis"));
    EXPECT_FALSE(HasExtension("x.ki", ".kis"));
    EXPECT_FALSE(HasExtension("kis", ".kis"));
    EXPECT_FALSE(HasExtension("x.kis.bak", ".kis"));

    EXPECT_EQ(ReplaceExtension("/a.b/P1.ORF", ".tif"), "/a.b/P1.tif");
    EXPECT_EQ(ReplaceExtension("/a.b/P1", ".jpg"), "/a.b/P1.jpg");
    EXPECT_EQ(ReplaceExtension("a/P1.2.ORF", ".bmp"), "a/P1.2.bmp");
    EXPECT_EQ(ReplaceExtension("photos.v2/P100", ".tif"), "photos.v2/P100.tif");
    EXPECT_EQ(ReplaceExtension("P1.", ".tif"), "P1.tif");
}

}  // namespace kyp
