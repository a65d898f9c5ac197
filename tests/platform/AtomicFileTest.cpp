#include "platform/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>

#include "platform/FileContents.h"
#include "platform/TestFolder.h"

namespace kyp {
namespace {

using Names = std::vector<std::string>;

class AtomicFileTest : public ::testing::Test {
protected:
    void TearDown() override { AtomicFile::InjectWriteFailureAfter(-1); }
    static unsigned Mode(const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
    }
    test::TestFolder folder_;
};

TEST_F(AtomicFileTest, CommitReplacesTargetAndLeavesNoTemporary) {
    const std::string target = folder_.Write("out.tif", "old contents");
    AtomicFile file;
    ASSERT_TRUE(file.open(target));
    EXPECT_EQ(file.tempPath().rfind(folder_ / ".", 0), 0u) << file.tempPath();
    ASSERT_TRUE(file.write("new", 3));
    ASSERT_TRUE(file.write(" data", 5));
    EXPECT_EQ(test::ReadFile(target), "old contents");  // untouched until commit
    ASSERT_TRUE(file.commit());
    EXPECT_EQ(test::ReadFile(target), "new data");
    EXPECT_EQ(folder_.Names(), Names{"out.tif"});
    EXPECT_EQ(file.written(), 8u);
}

TEST_F(AtomicFileTest, FullDiskOrAbandonedFileLeavesThePreviousFileAndNoTemporary) {
    const std::string target = folder_.Write("out.bmp", "previous");
    AtomicFile::InjectWriteFailureAfter(5);
    {
        AtomicFile file;
        ASSERT_TRUE(file.open(target));
        EXPECT_TRUE(file.write("abc", 3));
        EXPECT_FALSE(file.write("defg", 4));  // crosses the limit
        EXPECT_EQ(file.error(), ENOSPC);
        EXPECT_FALSE(file.write("x", 1));
        EXPECT_FALSE(file.commit());
    }
    EXPECT_EQ(test::ReadFile(target), "previous");
    EXPECT_FALSE(WriteFileAtomically(folder_ / "new.bmp", "0123456789", 10));  // no previous file: nothing left
    EXPECT_FALSE(ReplaceFileContents(folder_ / "new.kis", "0123456789", 10));
    EXPECT_EQ(folder_.Names(), Names{"out.bmp"});

    AtomicFile::InjectWriteFailureAfter(-1);
    {
        AtomicFile file;
        ASSERT_TRUE(file.open(target));
        ASSERT_TRUE(file.write("partial", 7));
    }  // destroyed without commit
    EXPECT_EQ(test::ReadFile(target), "previous");
    EXPECT_EQ(folder_.Names(), Names{"out.bmp"});
}

TEST_F(AtomicFileTest, FailuresToCreateOrRename) {
    AtomicFile file;
    EXPECT_FALSE(file.open(folder_ / "missing/out.tif"));
    EXPECT_EQ(file.error(), ENOENT);
    EXPECT_FALSE(file.open(folder_ / ""));
    EXPECT_FALSE(file.open(""));
    EXPECT_FALSE(ReplaceFileContents("", "x", 1));

    // A folder standing where the file should go: the rename fails at commit.
    std::filesystem::create_directory(folder_ / "sub");
    ASSERT_TRUE(file.open(folder_ / "sub"));
    ASSERT_TRUE(file.write("x", 1));
    EXPECT_FALSE(file.commit());
    EXPECT_NE(file.error(), 0);
    EXPECT_EQ(folder_.Names(), Names{"sub"});

    // One file at a time per object.
    ASSERT_TRUE(file.open(folder_ / "b"));
    EXPECT_FALSE(file.open(folder_ / "c"));
    file.discard();
    EXPECT_EQ(folder_.Names(), Names{"sub"});
}

TEST_F(AtomicFileTest, PermissionsKeptOrGivenExactly) {
    const std::string target = folder_.Write("mode.tif", "x");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomically(target, "yy", 2));
    EXPECT_EQ(Mode(target), 0640u);  // a replaced file keeps its bits
    EXPECT_EQ(test::ReadFile(target), "yy");

    // Given bits hold whatever the umask and the previous file; the temporary
    // file has them before any byte is written.
    const mode_t previousMask = ::umask(0);
    AtomicFile file;
    ASSERT_TRUE(file.open(target, 0600));
    EXPECT_EQ(Mode(file.tempPath()), 0600u);
    file.discard();
    ASSERT_TRUE(ReplaceFileContents(target, "private", 7, 0600));
    EXPECT_EQ(Mode(target), 0600u);
    ::umask(077);
    ASSERT_TRUE(ReplaceFileContents(folder_ / "new.acv", "z", 1));
    ::umask(previousMask);
    EXPECT_EQ(Mode(folder_ / "new.acv"), 0644u);
    EXPECT_EQ(test::ReadFile(target), "private");
}

TEST_F(AtomicFileTest, PendingTemporariesAreRemovedOnRequestAndOnSignal) {
    const std::string target = folder_.Write("sig.tif", "before");
    AtomicFile file;
    ASSERT_TRUE(file.open(target));
    ASSERT_TRUE(file.write("half", 4));
    EXPECT_EQ(folder_.Names().size(), 2u);
    AtomicFile::RemovePendingTempFiles();
    EXPECT_EQ(folder_.Names(), Names{"sig.tif"});
    EXPECT_FALSE(file.commit());  // its temporary is gone: never a partial target
    EXPECT_EQ(test::ReadFile(target), "before");

    // A process terminated in the middle of a write leaves only the old file.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            AtomicFile::InstallSignalCleanup();
            AtomicFile pending;
            if (pending.open(target) && pending.write("partial", 7)) std::raise(SIGTERM);
            std::exit(3);
        },
        ::testing::KilledBySignal(SIGTERM), "");
    EXPECT_EQ(folder_.Names(), Names{"sig.tif"});
    EXPECT_EQ(test::ReadFile(target), "before");
}

}  // namespace
}  // namespace kyp
