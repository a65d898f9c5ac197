#pragma once
#include <string>

#include "console/ConsoleState.h"
#include "console/ConsoleStream.h"

namespace kyp {

// What reading one argument asks of the argument loop.
enum class ArgumentResult {
    ok,     // go on with the next argument
    usage,  // print the banner and usage, stop, exit code -1
    error,  // a message was printed; stop, exit code 1
};

// "=<list>": the text after "=", read character by character with an on/off
// state that starts on: "+" and "-" set the state, "1" to "3" the rotation,
// option letters set or clear their bit, "a" and "e" the annotation and Exif
// flags of both TIFF and JPEG output. Turning curves on clears raw curves and
// the other way round. Other characters are ignored; they are returned, so
// the caller can say so.
std::string ApplyOptionList(const std::string& list, ConsoleState& state);

// "-<letter><value>": one switch. Error messages go to err.
[[nodiscard]] ArgumentResult ApplySwitch(const std::string& argument, ConsoleState& state, ConsoleStream& err);

}  // namespace kyp
