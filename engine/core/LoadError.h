#pragma once

namespace kyp {

// Why an input file could not be loaded, for the programs' messages.
enum class LoadError {
    none,
    missing,      // no such file
    denied,       // no permission to read it
    notRegular,   // a folder, pipe, socket or device
    notOrf,       // too small or too large, or not "MM" "OR" at the start
    damaged,      // the TIFF structure or the raw image's tags cannot be read
    truncated,    // the raw data goes past the end of the file
    changed,      // the file changed size while it was read
    readFailed,   // the system could not read it
    outOfMemory,
};

// A short sentence in the style of the system's error texts ("Not an ORF file").
[[nodiscard]] const char* LoadErrorText(LoadError error);

}  // namespace kyp
