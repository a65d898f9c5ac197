#include <gtest/gtest.h>

#include "console/ConsoleProgress.h"

namespace kyp {
namespace {

TEST(ConsoleProgress, TextSpinnerAndErase) {
    StringConsoleStream err;
    ConsoleProgress progress(err);
    progress.SetText("Gamma ...");
    EXPECT_EQ(err.Text(), "\b\b\b   \b\b\bGamma ...");
    err.Clear();

    // The spinner advances on every count that makes the counter a multiple of 16.
    for (int i = 0; i < 48; ++i) EXPECT_TRUE(progress.Tick(1));
    EXPECT_TRUE(progress.Tick(15));   // 63: nothing
    EXPECT_TRUE(progress.Tick(17));   // 80
    EXPECT_EQ(err.Text(), "\b\b\b(-)\b\b\b(\\)\b\b\b(|)\b\b\b(/)");
    err.Clear();
    EXPECT_TRUE(progress.Tick(16));  // wraps to the first character
    EXPECT_EQ(err.Text(), "\b\b\b(-)");
    err.Clear();

    progress.SetText("Ab");
    EXPECT_EQ(err.Text(), std::string("\b\b\b   \b\b\b") + std::string(9, '\b') + std::string(9, ' ') +
                              std::string(9, '\b') + "Ab");
    err.Clear();
    progress.End();
    EXPECT_EQ(err.Text(), "\b\b\b   \b\b\b\b\b  \b\b");
    EXPECT_FALSE(progress.Text().has_value());

    progress.Begin(1);  // restarts the spinner
    err.Clear();
    EXPECT_TRUE(progress.Tick(16));
    EXPECT_EQ(err.Text(), "\b\b\b(-)");
}

}  // namespace
}  // namespace kyp
