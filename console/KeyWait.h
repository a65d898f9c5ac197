#pragma once

namespace kyp {

// Waits for one key press on standard input without echo, when standard
// input is a terminal; returns at once otherwise (a pipe, a file, no input).
// Ctrl-C counts as a key here rather than ending the program with the
// terminal left without echo.
void WaitForKey();

}  // namespace kyp
