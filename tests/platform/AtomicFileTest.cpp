#include "platform/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <csignal>

#include "platform/FileContents.h"
#include "platform/TestFolder.h"

namespace kyp {
namespace {

using Names = std::vector<std::string>;

// Every case runs with unnamed files (O_TMPFILE) and with the named temporary
// file of file systems without them.
class AtomicFileTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { AtomicFile::UseUnnamedFiles(GetParam()); }
    void TearDown() override {
        AtomicFile::InjectWriteFailureAfter(-1);
        AtomicFile::UseUnnamedFiles(true);
    }
    static unsigned Mode(const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
    }
    test::TestFolder folder_;
};

TEST_P(AtomicFileTest, CommitReplacesTargetAndLeavesNoTemporary) {
    const std::string target = folder_.Write("out.tif", "old contents");
    AtomicFile file;
    ASSERT_TRUE(file.Open(target));
    EXPECT_EQ(file.Unnamed(), GetParam());
    if (GetParam()) {
        EXPECT_EQ(folder_.Names(), Names{"out.tif"});  // nothing to see until commit
    } else {
        EXPECT_EQ(file.TempPath().rfind(folder_ / ".", 0), 0u) << file.TempPath();
    }
    ASSERT_TRUE(file.Write("new", 3));
    ASSERT_TRUE(file.Write(" data", 5));
    EXPECT_EQ(test::ReadFile(target), "old contents");  // untouched until commit
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(test::ReadFile(target), "new data");
    EXPECT_EQ(folder_.Names(), Names{"out.tif"});
    EXPECT_EQ(file.Written(), 8u);
    ASSERT_TRUE(WriteFileAtomically(folder_ / "fresh.tif", "abc", 3));  // no file of that name before
    EXPECT_EQ(test::ReadFile(folder_ / "fresh.tif"), "abc");
    EXPECT_EQ(folder_.Names(), (Names{"fresh.tif", "out.tif"}));
}

// A target path just below the path limit: the temporary name must not pass it.
TEST_P(AtomicFileTest, TargetPathNearThePathLimit) {
    std::string folder = folder_.path();
    while (folder.size() + 201 + 8 < PATH_MAX) {
        folder += "/" + std::string(200, 'd');
        ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    }
    const std::string target = folder + "/" + std::string(PATH_MAX - 2 - folder.size(), 'n');
    ASSERT_EQ(target.size(), PATH_MAX - 1u);
    EXPECT_TRUE(WriteFileAtomically(target, "x", 1));
    EXPECT_TRUE(WriteFileAtomically(target, "yz", 2));  // the replacing path too
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 2);
}

TEST_P(AtomicFileTest, FullDiskOrAbandonedFileLeavesThePreviousFileAndNoTemporary) {
    const std::string target = folder_.Write("out.bmp", "previous");
    AtomicFile::InjectWriteFailureAfter(5);
    {
        AtomicFile file;
        ASSERT_TRUE(file.Open(target));
        EXPECT_TRUE(file.Write("abc", 3));
        EXPECT_FALSE(file.Write("defg", 4));  // crosses the limit
        EXPECT_EQ(file.Error(), ENOSPC);
        EXPECT_FALSE(file.Write("x", 1));
        EXPECT_FALSE(file.Commit());
    }
    EXPECT_EQ(test::ReadFile(target), "previous");
    EXPECT_FALSE(WriteFileAtomically(folder_ / "new.bmp", "0123456789", 10));  // no previous file: nothing left
    EXPECT_FALSE(ReplaceFileContents(folder_ / "new.kis", "0123456789", 10));
    EXPECT_EQ(folder_.Names(), Names{"out.bmp"});

    AtomicFile::InjectWriteFailureAfter(-1);
    {
        AtomicFile file;
        ASSERT_TRUE(file.Open(target));
        ASSERT_TRUE(file.Write("partial", 7));
    }  // destroyed without commit
    EXPECT_EQ(test::ReadFile(target), "previous");
    EXPECT_EQ(folder_.Names(), Names{"out.bmp"});
}

TEST_P(AtomicFileTest, FailuresToCreateOrRename) {
    AtomicFile file;
    EXPECT_FALSE(file.Open(folder_ / "missing/out.tif"));
    EXPECT_EQ(file.Error(), ENOENT);
    EXPECT_FALSE(file.Open(folder_ / ""));
    EXPECT_FALSE(file.Open(""));
    EXPECT_FALSE(ReplaceFileContents("", "x", 1));

    // A folder standing where the file should go.
    std::filesystem::create_directory(folder_ / "sub");
    EXPECT_FALSE(file.Open(folder_ / "sub"));
    EXPECT_EQ(file.Error(), EISDIR);
    EXPECT_EQ(folder_.Names(), Names{"sub"});

    // One file at a time per object.
    ASSERT_TRUE(file.Open(folder_ / "b"));
    EXPECT_FALSE(file.Open(folder_ / "c"));
    file.Discard();
    EXPECT_EQ(folder_.Names(), Names{"sub"});
}

TEST_P(AtomicFileTest, PermissionsKeptOrGivenExactly) {
    const std::string target = folder_.Write("mode.tif", "x");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomically(target, "yy", 2));
    EXPECT_EQ(Mode(target), 0640u);  // a replaced file keeps its bits
    EXPECT_EQ(test::ReadFile(target), "yy");

    // Given bits hold whatever the umask and the previous file; the temporary
    // file has them before any byte is written.
    const mode_t previousMask = ::umask(0);
    AtomicFile file;
    ASSERT_TRUE(file.Open(target, 0600));
    if (!GetParam()) {
        EXPECT_EQ(Mode(file.TempPath()), 0600u);
    }
    file.Discard();
    ASSERT_TRUE(ReplaceFileContents(target, "private", 7, 0600));
    EXPECT_EQ(Mode(target), 0600u);
    ::umask(077);
    ASSERT_TRUE(ReplaceFileContents(folder_ / "new.acv", "z", 1));
    ::umask(previousMask);
    EXPECT_EQ(Mode(folder_ / "new.acv"), 0644u);
    EXPECT_EQ(test::ReadFile(target), "private");
}

TEST_P(AtomicFileTest, PendingTemporariesAreRemovedOnRequestAndOnSignal) {
    const std::string target = folder_.Write("sig.tif", "before");
    if (!GetParam()) {
        AtomicFile file;
        ASSERT_TRUE(file.Open(target));
        ASSERT_TRUE(file.Write("half", 4));
        EXPECT_EQ(folder_.Names().size(), 2u);
        AtomicFile::RemovePendingTempFiles();
        EXPECT_EQ(folder_.Names(), Names{"sig.tif"});
        EXPECT_FALSE(file.Commit());  // its temporary is gone: never a partial target
        EXPECT_EQ(test::ReadFile(target), "before");
    }

    // A process ended in the middle of a write by any terminating signal
    // leaves only the old file; with unnamed files even SIGKILL does.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::vector<int> signals = {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGQUIT, SIGUSR1, SIGALRM};
    if (GetParam()) signals.push_back(SIGKILL);
    for (const int signal : signals) {
        EXPECT_EXIT(
            {
                // A signal the run inherited as ignored (started in the
                // background) stays ignored by design: start from the default.
                std::signal(signal, SIG_DFL);
                AtomicFile::InstallSignalCleanup();
                AtomicFile pending;
                if (pending.Open(target) && pending.Write("partial", 7)) std::raise(signal);
                std::exit(3);
            },
            ::testing::KilledBySignal(signal), "")
            << signal;
        EXPECT_EQ(folder_.Names(), Names{"sig.tif"}) << signal;
        EXPECT_EQ(test::ReadFile(target), "before");
    }
}

TEST(AtomicFileNames, TemporaryNamePattern) {
    const struct {
        const char* name;
        long pid;  // -1: not one of ours
    } cases[] = {{".settings.json.123-4.tmp", 123}, {".a.b.tif.7-0.tmp", 7}, {"settings.json.1-2.tmp", -1},
                 {".settings.json.12x-4.tmp", -1},  {".x.5-.tmp", -1},       {".x.-5.tmp", -1},
                 {".x.5-1.tmp~", -1},               {".tmp", -1}};
    for (const auto& c : cases) {
        long pid = -1;
        EXPECT_EQ(AtomicFile::IsTempName(c.name, pid) ? pid : -1, c.pid) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, AtomicFileTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Unnamed" : "Named"; });

}  // namespace
}  // namespace kyp
