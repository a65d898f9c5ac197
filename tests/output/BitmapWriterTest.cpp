#include "engine/output/BitmapWriter.h"

#include <gtest/gtest.h>

#include "output/OutputTestSupport.h"
#include "platform/AtomicFile.h"

namespace kyp {
namespace {

// (The headers, palette and rows of converted files are checked by their
// digests in the console tests.)
TEST(BitmapWriter, FailuresLeaveNoFileAndKeepTheOldOne) {
    test::TestFolder folder;
    EXPECT_FALSE(writeBmp(Bitmap(), folder / "none.bmp"));
    EXPECT_TRUE(folder.Names().empty());
    Bitmap b;
    ASSERT_TRUE(b.create(64, 64, 3));
    EXPECT_FALSE(writeBmp(b, folder / "missing/x.bmp"));

    const std::string path = folder.Write("old.bmp", "previous picture");
    AtomicFile::InjectWriteFailureAfter(1000);  // the disk fills inside the pixels
    EXPECT_FALSE(writeBmp(b, path));
    AtomicFile::InjectWriteFailureAfter(-1);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"old.bmp"});
    EXPECT_EQ(test::ReadFile(path), "previous picture");
}

}  // namespace
}  // namespace kyp
