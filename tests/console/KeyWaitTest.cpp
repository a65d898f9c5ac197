#include <gtest/gtest.h>
#include <unistd.h>

#include "console/KeyWait.h"

namespace kyp {
namespace {

// With standard input on a pipe that stays open and empty, a wait that read
// from it would block for ever; the wait must see that it is no terminal.
TEST(KeyWait, ReturnsAtOnceWhenInputIsNoTerminal) {
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const int savedInput = dup(STDIN_FILENO);
    ASSERT_GE(savedInput, 0);
    ASSERT_EQ(dup2(pipeEnds[0], STDIN_FILENO), STDIN_FILENO);
    WaitForKey();
    dup2(savedInput, STDIN_FILENO);
    close(savedInput);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    SUCCEED();
}

}  // namespace
}  // namespace kyp
