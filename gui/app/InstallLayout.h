#pragma once
#include <string>

namespace kyp {

// Where the desktop program finds the files that come with it. In a build
// folder they sit beside the program. An installed program lives in the "bin"
// folder of an installation prefix and has them in that prefix's data folders,
// which are found relative to the program's folder, so an installation that is
// moved (another prefix, a DESTDIR staging tree) still finds its own files.

// The user manual: kypdoc.htm beside the program when it is there, else the one
// in the installed documentation folder when that is there. When neither
// exists, the place where it belongs: the documentation folder for a program
// in a "bin" folder, beside the program otherwise.
[[nodiscard]] std::string HelpFilePath(const std::string& programFolder);

// The installed application icon (scalable), or empty when there is none, as
// for a program run from its build folder.
[[nodiscard]] std::string InstalledIconPath(const std::string& programFolder);

// True when the installation's own desktop entry sits in the prefix's
// applications folder (it then already shows the program in the menu).
[[nodiscard]] bool HasInstalledDesktopEntry(const std::string& programFolder);

}  // namespace kyp
