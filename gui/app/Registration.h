#pragma once
#include <string>

namespace kyp {

// File-type registration for the desktop: a desktop entry "kyp.desktop" in
// $XDG_DATA_HOME/applications (Exec with %f, MimeType image/x-olympus-orf and
// application/x-kyp-settings) and a shared-mime-info package "kyp-settings.xml"
// in $XDG_DATA_HOME/mime/packages that names *.kis files. XDG_DATA_HOME
// defaults to ~/.local/share. The desktop and MIME caches are refreshed with
// update-desktop-database and update-mime-database when those tools exist.

// The user's data folder, or empty when neither XDG_DATA_HOME nor HOME gives one.
[[nodiscard]] std::string DataHome();
[[nodiscard]] std::string DesktopEntryPath();
[[nodiscard]] std::string MimePackagePath();

// The texts written (programPath is the full path of the kyp executable). For
// an installed kyp the entry names the installed icon and is kept out of the
// menu (NoDisplay), where the installation's own entry already is.
[[nodiscard]] std::string DesktopEntryText(const std::string& programPath);
[[nodiscard]] std::string MimePackageText();

// Writes both files (each replaced whole). Stops at the first file that cannot
// be written and answers false.
[[nodiscard]] bool RegisterFileTypes(const std::string& programPath);

// Removes the settings store (every setting of both programs), then both
// files. False when one of the files existed and could not be removed.
[[nodiscard]] bool UnregisterFileTypes();

}  // namespace kyp
