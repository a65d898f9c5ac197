#include "gui/app/InstallLayout.h"

#include <filesystem>

#include "engine/core/PathText.h"
#include "gui/frame/FolderScan.h"

// The installed folders relative to the folder of the executables; the build
// passes the ones of its installation layout.
#ifndef KYP_DOC_FROM_BIN
#define KYP_DOC_FROM_BIN "../share/doc/kyp-suite"
#endif
#ifndef KYP_DATA_FROM_BIN
#define KYP_DATA_FROM_BIN "../share"
#endif

namespace kyp {

namespace {

constexpr const char* kHelpFile = "kypdoc.htm";
constexpr const char* kAppId = "com.zeltarts.Kyp";

// folder/relative with "." and ".." folded away ("/usr/bin/../share" is "/usr/share").
std::string Resolve(const std::string& folder, const std::string& relative) {
    std::string path = (std::filesystem::path(folder) / relative).lexically_normal().string();
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

std::string HelpFilePath(const std::string& programFolder) {
    const std::string beside = programFolder + "/" + kHelpFile;
    if (IsRegularFile(beside)) return beside;
    const std::string installed = Resolve(programFolder, KYP_DOC_FROM_BIN) + "/" + kHelpFile;
    if (IsRegularFile(installed)) return installed;
    return FileNamePart(programFolder) == "bin" ? installed : beside;
}

std::string InstalledIconPath(const std::string& programFolder) {
    const std::string icon =
        Resolve(programFolder, KYP_DATA_FROM_BIN) + "/icons/hicolor/scalable/apps/" + kAppId + ".svg";
    return IsRegularFile(icon) ? icon : std::string();
}

bool HasInstalledDesktopEntry(const std::string& programFolder) {
    return IsRegularFile(Resolve(programFolder, KYP_DATA_FROM_BIN) + "/applications/" + kAppId + ".desktop");
}

}  // namespace kyp
