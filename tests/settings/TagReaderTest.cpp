#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/settings/TagReader.h"

namespace kyp {
namespace {

using Tags = std::vector<std::pair<std::string, std::string>>;

struct Result {
    bool ok;
    Tags tags;
};

Result Read(const std::string& text) {
    Result r{false, {}};
    r.ok = ReadTags(text.data(), static_cast<int>(text.size()), [&r](const char* name, const char* value) {
        r.tags.emplace_back(name, value);
        return true;
    });
    return r;
}

TEST(TagReader, ValuesBareQuotedAndEmpty) {
    const Result r = Read("<KypImport><version=4.0>\r\n<Options=\"(levels) a=b\">\r\n<Artist='O\"Brien'><x=>");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.tags, (Tags{{"KypImport", ""}, {"version", "4.0"}, {"Options", "(levels) a=b"},
                            {"Artist", "O\"Brien"}, {"x", ""}}));
    // Quoted values keep "<", ">", "=" and the other quote; bare values keep white space.
    EXPECT_EQ(Read("<a=\"1<2>'=\">").tags, (Tags{{"a", "1<2>'="}}));
    EXPECT_EQ(Read("<a= x y\t>").tags, (Tags{{"a", "x y\t"}}));
    EXPECT_EQ(Read("<a=-->").tags, (Tags{{"a", "--"}}));
    EXPECT_EQ(Read("<a=''>").tags, (Tags{{"a", ""}}));
}

TEST(TagReader, SpacesAroundEquals) {
    const Result spaced = Read("<fmt = 2 ><Options = \"x\" >");
    EXPECT_TRUE(spaced.ok);
    EXPECT_EQ(spaced.tags, (Tags{{"fmt", "2 "}, {"Options", "x"}}));
    // The name ends at the first white space; later name characters are dropped.
    EXPECT_EQ(Read("<ab cd=1>").tags, (Tags{{"ab", "1"}}));
    EXPECT_EQ(Read("< \r\n tag>").tags, (Tags{{"tag", ""}}));
}

TEST(TagReader, CommentsAndErrors) {
    const Result r = Read("<-- a comment > with = signs --Name=1><x='2' -- after the value -->");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.tags, (Tags{{"Name", "1"}, {"x", "2"}}));
    for (const char* bad : {"<-- never closed", "<-- ends in a hyphen -" /* "--" needs a character past the end */,
                            "<-x>", "<a='1' -x>", "<1a>" /* a name starts with a letter or "_" */,
                            "<a.b=1>" /* "." is no name character */, "<a=<>", "<a==1>", "<a='1'x>",
                            "<a=\"open" /* ends inside a value */, "<a", "<>"})
        EXPECT_FALSE(Read(bad).ok) << bad;
    for (const char* good : {"", " \r\n\t", "<_a-1>"}) EXPECT_TRUE(Read(good).ok) << good;
    // An error stops the read after the tags before it.
    const Result stray = Read("<a=1>\r\nstray words\r\n<b=2>");
    EXPECT_FALSE(stray.ok);
    EXPECT_EQ(stray.tags, (Tags{{"a", "1"}}));
    // ">" right after "<" does not close the tag: it is skipped like white space.
    EXPECT_EQ(Read("<> >name=1>").tags, (Tags{{"name", "1"}}));
}

TEST(TagReader, LengthZeroCharactersAndCallbackStop) {
    // With an explicit length a zero character is white space and the reader
    // stops at the length, not at a terminator.
    const std::string withZero("<a=1>\0<b=2>", 11);
    EXPECT_EQ(Read(withZero).tags.size(), 2u);
    EXPECT_TRUE(ReadTags("<a=1><b", 5, [](const char*, const char*) { return true; }));
    int calls = 0;
    EXPECT_TRUE(ReadTags("<a><b>", -1, [&calls](const char*, const char*) { return ++calls, true; }));
    EXPECT_EQ(calls, 2);
    calls = 0;
    EXPECT_FALSE(ReadTags("<a><b>", -1, [&calls](const char*, const char*) { return ++calls < 1; }));
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(ReadTags(nullptr, 0, [](const char*, const char*) { return true; }));
}

TEST(TagReader, LongNamesAndManyTags) {
    const std::string name(200, 'n');
    const Result r = Read("<" + name + "=v>");
    ASSERT_EQ(r.tags.size(), 1u);
    EXPECT_EQ(r.tags[0].first, std::string(80, 'n'));
    std::string many;
    for (int i = 0; i < 100000; ++i) many += "<t=" + std::to_string(i) + ">";
    const Result all = Read(many);
    EXPECT_TRUE(all.ok);
    ASSERT_EQ(all.tags.size(), 100000u);
    EXPECT_EQ(all.tags.back().second, "99999");
}

}  // namespace
}  // namespace kyp
