#include "gui/app/Registration.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "gui/app/InstallLayout.h"
#include "gui/frame/FolderScan.h"
#include "platform/FileContents.h"
#include "platform/SettingsStore.h"

namespace kyp {

namespace {

bool MakeFolders(const std::string& folder) {
    if (folder.empty()) return false;
    std::string partial;
    size_t start = 0;
    while (start <= folder.size()) {
        const size_t slash = folder.find('/', start);
        partial = folder.substr(0, slash == std::string::npos ? folder.size() : slash);
        if (!partial.empty() && ::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    return IsFolder(folder);
}

// Runs a cache tool when it is installed; its failure is not ours to report.
void RunTool(const char* tool, const std::string& folder) {
    const QString program = QStandardPaths::findExecutable(QString::fromLatin1(tool));
    if (program.isEmpty() || !IsFolder(folder)) return;
    QProcess process;
    process.setProgram(program);
    process.setArguments({QString::fromStdString(folder)});
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    process.waitForFinished(30000);
}

void RefreshCaches() {
    const std::string data = DataHome();
    RunTool("update-desktop-database", data + "/applications");
    RunTool("update-mime-database", data + "/mime");
}

// Desktop entries escape a few characters in their strings, and Exec
// arguments are quoted when they hold reserved characters.
std::string QuoteExecArgument(const std::string& path) {
    if (path.find_first_of(" \t\n\"'\\><~|&;$*?#()`") == std::string::npos) return path;
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    // The desktop entry format unescapes backslashes once more in string values.
    std::string escaped;
    for (char c : quoted) {
        if (c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

}  // namespace

std::string DataHome() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') return std::string(home) + "/.local/share";
    return {};
}

std::string DesktopEntryPath() {
    const std::string data = DataHome();
    return data.empty() ? data : data + "/applications/kyp.desktop";
}

std::string MimePackagePath() {
    const std::string data = DataHome();
    return data.empty() ? data : data + "/mime/packages/kyp-settings.xml";
}

std::string DesktopEntryText(const std::string& programPath) {
    // An installed program brings its own icon, and its installed entry already
    // puts it in the menu: this entry then only associates the file types.
    const std::string folder = FolderOf(programPath);
    std::string icon = InstalledIconPath(folder);
    if (icon.empty()) icon = "image-x-generic";
    std::string iconValue;
    for (char c : icon) {
        if (c == '\\') iconValue += '\\';
        iconValue += c;
    }
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Kyp Suite\n"
           "GenericName=Raw Photo Converter\n"
           "Comment=Convert Olympus ORF raw files into TIFF, JPEG or bitmap photographs\n"
           "Exec=" + QuoteExecArgument(programPath) + " %f\n"
           "Icon=" + iconValue + "\n"
           "Terminal=false\n"
           "Categories=Graphics;Photography;\n"
           "MimeType=image/x-olympus-orf;application/x-kyp-settings;\n" +
           (HasInstalledDesktopEntry(folder) ? "NoDisplay=true\n" : "");
}

std::string MimePackageText() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
           "  <mime-type type=\"application/x-kyp-settings\">\n"
           "    <comment>Kyp import settings</comment>\n"
           "    <sub-class-of type=\"text/plain\"/>\n"
           "    <glob pattern=\"*.kis\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

bool RegisterFileTypes(const std::string& programPath) {
    const std::string data = DataHome();
    if (data.empty()) return false;
    const std::string entry = DesktopEntryText(programPath);
    if (!MakeFolders(data + "/applications") ||
        !ReplaceFileContents(DesktopEntryPath(), entry.data(), entry.size())) {
        return false;
    }
    const std::string mime = MimePackageText();
    if (!MakeFolders(data + "/mime/packages") ||
        !ReplaceFileContents(MimePackagePath(), mime.data(), mime.size())) {
        return false;
    }
    RefreshCaches();
    return true;
}

bool UnregisterFileTypes() {
    (void)SettingsStore::DeleteKey();
    bool removed = true;
    for (const std::string& path : {DesktopEntryPath(), MimePackagePath()}) {
        if (path.empty()) continue;
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) removed = false;
    }
    RefreshCaches();
    return removed;
}

}  // namespace kyp
