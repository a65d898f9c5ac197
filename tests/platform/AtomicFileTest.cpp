#include "platform/AtomicFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace kyp {
namespace {

// A fresh folder per test under $KYP_TEST_TMP (or /tmp), removed afterwards.
class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* root = std::getenv("KYP_TEST_TMP");
        std::string base = root && *root ? root : "/tmp";
        ::mkdir(base.c_str(), 0777);
        std::string pattern = base + "/atomicfile-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        AtomicFile::InjectWriteFailureAfter(-1);
        for (const std::string& name : names()) ::unlink((dir_ + "/" + name).c_str());
        ::rmdir((dir_ + "/sub").c_str());
        ::rmdir(dir_.c_str());
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        if (DIR* d = ::opendir(dir_.c_str())) {
            while (dirent* e = ::readdir(d)) {
                const std::string n = e->d_name;
                if (n != "." && n != "..") out.push_back(n);
            }
            ::closedir(d);
        }
        return out;
    }
    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void put(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    std::string dir_;
};

TEST_F(AtomicFileTest, CommitReplacesTargetAndLeavesNoTemporary) {
    const std::string target = dir_ + "/out.tif";
    put(target, "old contents");
    AtomicFile file;
    ASSERT_TRUE(file.open(target));
    EXPECT_EQ(file.tempPath().rfind(dir_ + "/.", 0), 0u) << file.tempPath();
    ASSERT_TRUE(file.write("new", 3));
    ASSERT_TRUE(file.write(" data", 5));
    EXPECT_EQ(read(target), "old contents");  // untouched until commit
    ASSERT_TRUE(file.commit());
    EXPECT_EQ(read(target), "new data");
    EXPECT_EQ(names(), std::vector<std::string>{"out.tif"});
    EXPECT_EQ(file.written(), 8u);
}

TEST_F(AtomicFileTest, FullDiskLeavesPreviousFileAndNoTemporary) {
    const std::string target = dir_ + "/out.bmp";
    put(target, "previous");
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
    EXPECT_EQ(read(target), "previous");
    EXPECT_EQ(names(), std::vector<std::string>{"out.bmp"});

    // No previous file: nothing at all is left.
    EXPECT_FALSE(WriteFileAtomically(dir_ + "/new.bmp", "0123456789", 10));
    EXPECT_EQ(names(), std::vector<std::string>{"out.bmp"});
}

TEST_F(AtomicFileTest, AbandonedFileIsRemoved) {
    const std::string target = dir_ + "/a.jpg";
    put(target, "keep");
    {
        AtomicFile file;
        ASSERT_TRUE(file.open(target));
        ASSERT_TRUE(file.write("partial", 7));
    }
    EXPECT_EQ(read(target), "keep");
    EXPECT_EQ(names().size(), 1u);
}

TEST_F(AtomicFileTest, FailuresToCreateOrRename) {
    AtomicFile file;
    EXPECT_FALSE(file.open(dir_ + "/missing/out.tif"));
    EXPECT_EQ(file.error(), ENOENT);
    EXPECT_FALSE(file.open(dir_ + "/"));
    EXPECT_FALSE(file.open(""));

    // A folder standing where the file should go: the rename fails at commit.
    ASSERT_EQ(::mkdir((dir_ + "/sub").c_str(), 0777), 0);
    ASSERT_TRUE(file.open(dir_ + "/sub"));
    ASSERT_TRUE(file.write("x", 1));
    EXPECT_FALSE(file.commit());
    EXPECT_NE(file.error(), 0);
    EXPECT_EQ(names(), std::vector<std::string>{"sub"});

    // One file at a time per object.
    ASSERT_TRUE(file.open(dir_ + "/b"));
    EXPECT_FALSE(file.open(dir_ + "/c"));
    file.discard();
    EXPECT_EQ(names(), std::vector<std::string>{"sub"});
}

TEST_F(AtomicFileTest, ReplacedFileKeepsItsPermissions) {
    const std::string target = dir_ + "/mode.tif";
    put(target, "x");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomically(target, "yy", 2));
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(read(target), "yy");
}

TEST_F(AtomicFileTest, PendingTemporariesAreRemovedOnRequestAndOnSignal) {
    const std::string target = dir_ + "/sig.tif";
    put(target, "before");
    AtomicFile file;
    ASSERT_TRUE(file.open(target));
    ASSERT_TRUE(file.write("half", 4));
    EXPECT_EQ(names().size(), 2u);
    AtomicFile::RemovePendingTempFiles();
    EXPECT_EQ(names(), std::vector<std::string>{"sig.tif"});
    EXPECT_FALSE(file.commit());  // its temporary is gone: never a partial target
    EXPECT_EQ(read(target), "before");

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
    EXPECT_EQ(names(), std::vector<std::string>{"sig.tif"});
    EXPECT_EQ(read(target), "before");
}

}  // namespace
}  // namespace kyp
