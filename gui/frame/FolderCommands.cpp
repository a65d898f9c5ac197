#include "gui/frame/FolderCommands.h"

#include <QStandardPaths>

#include <unistd.h>

#include "engine/core/AsciiText.h"
#include "engine/raw/OrfRaw.h"
#include "gui/frame/FileList.h"
#include "gui/frame/FolderScan.h"
#include "gui/frame/FrameStore.h"
#include "gui/frame/MainFrame.h"
#include "gui/frame/Messages.h"
#include "gui/frame/StatusStrip.h"
#include "gui/frame/WaitScope.h"

namespace kyp {

std::string FolderCommands::ReferenceFile() const {
    const FileList& files = frame_.Files();
    if (!frame_.FileName().empty()) return frame_.FileName();
    if (files.Current() >= 0) return files.Entry(files.Current());
    if (!files.Empty()) return files.Entry(0);
    return {};
}

std::string FolderCommands::ReferenceFolder(const std::string& reference) const {
    if (!reference.empty()) {
        const std::string folder = FolderOf(reference);
        if (!folder.empty()) return folder;
    }
    const std::string dir = FrameStore::StoredDir();
    if (!dir.empty()) return dir;
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string();
}

void FolderCommands::StepFile(bool next) {
    if (frame_.Busy()) {
        Beep();
        return;
    }
    const std::string reference = ReferenceFile();
    const std::vector<std::string> files = ListOrfFiles(ReferenceFolder(reference));
    if (files.empty()) return;
    std::string target;
    if (!reference.empty() && !frame_.DocumentLoaded() && frame_.LastOpenFailed() && reference == frame_.FileName()) {
        // The last open failed: the folder is walked on from that file's place.
        target = NeighbourOfPosition(files, reference, next);
    } else if (reference.empty() || !frame_.DocumentLoaded()) {
        target = files.front();
    } else {
        target = NeighbourFile(files, reference, next);
        if (target.empty()) return;  // the reference is not in its folder's listing
    }
    if (frame_.OpenByName(target)) frame_.Files().Add(target);
}

void FolderCommands::DropFiles(const std::vector<std::string>& paths, bool shift) {
    if (frame_.Busy()) {
        Beep();
        return;
    }
    if (paths.size() == 1) {
        const std::string& name = paths.front();
        if (!isOrfFile(name)) {
            ShowMessage(&frame_, MessageIcon::warning, Format("The file '%s' is not a valid ORF file.", name.c_str()));
            return;
        }
        frame_.Files().Add(name);
        if (!shift) (void)frame_.OpenByName(name);
        return;
    }
    std::vector<std::string> valid;
    std::string failed;
    for (const std::string& name : paths) {
        if (isOrfFile(name)) {
            valid.push_back(name);
        } else {
            failed += "\r\n    " + name;
        }
    }
    MergeDroppedFiles(frame_.Files(), valid);
    if (!failed.empty()) {
        ShowMessage(&frame_, MessageIcon::warning,
                    "The following file or files are not valid Olympus Raw Format files:" + failed);
    }
    if (frame_.Files().Empty()) return;
    if (!shift) {
        (void)frame_.Files().OpenEntry(0, [this](const std::string& name) { return frame_.OpenByName(name); });
    } else {
        frame_.Strip().PopupFileList(frame_.Files());
    }
}

void FolderCommands::ConvertAll() {
    // The summary of a conversion made here is shown once the run is over.
    const std::string summary = ConvertAllRun();
    if (!summary.empty()) ShowMessage(&frame_, MessageIcon::information, summary);
}

std::string FolderCommands::ConvertAllRun() {
    WaitScope wait(frame_);
    frame_.ApplySaveFormatPage();
    const std::string reference = ReferenceFile();
    const std::string folder = ReferenceFolder(reference);
    if (folder.empty()) return {};
    const std::string pattern = OrfPattern(folder);
    StatusScope status(frame_.Strip(), "Convert All...");
    const std::string console = frame_.programFolder + "/kyp2tiff";
    if (IsRegularFile(console) && ::access(console.c_str(), X_OK) == 0) {
        (void)frame_.SnapSettings();
        // The console program pauses at its end when its argument zero is "@";
        // bash's exec -a sets it. It runs in a terminal of its own.
        QString terminal = QString::fromLocal8Bit(qgetenv("TERMINAL"));
        QStringList arguments;
        if (terminal.isEmpty()) terminal = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
        const QString bash = QStandardPaths::findExecutable(QStringLiteral("bash"));
        if (!terminal.isEmpty() && !bash.isEmpty()) {
            arguments << QStringLiteral("-e") << bash << QStringLiteral("-c")
                      << QStringLiteral("exec -a @ \"$0\" \"$@\"") << QString::fromStdString(console)
                      << QStringLiteral("-c") << QString::fromStdString(pattern);
            if (frame_.startDetached(terminal, arguments, QString::fromStdString(folder))) return {};
        }
    }
    const std::vector<std::string> files = ListOrfFiles(folder);
    return ConvertAllHere(reference, files);
}

std::string FolderCommands::ConvertAllHere(const std::string& reference, const std::vector<std::string>& files) {
    // The open document first (brought up to date), then every other file of
    // the folder. The strip counts "n of N"; one file that fails does not stop
    // the others (each says why); Escape or Exit does. Returns the summary
    // (nothing after Exit).
    StatusStrip& strip = frame_.Strip();
    const uint32_t outputFormat = frame_.SaveFormat().format;
    const bool documentFirst = frame_.DocumentLoaded() && !reference.empty();
    std::vector<std::string> others;
    for (const std::string& file : files) {
        if (reference.empty() || !ascii::EqualsNoCase(file, reference)) others.push_back(file);
    }
    const int total = static_cast<int>(others.size()) + (documentFirst ? 1 : 0);
    int converted = 0;
    int failed = 0;
    bool cancelled = false;
    // A file's result counts unless the run was stopped under it.
    auto count = [&](bool ok) {
        if (ok) {
            ++converted;
        } else if (strip.EscapeNoted() || frame_.ExitRequested()) {
            cancelled = true;
        } else {
            ++failed;
        }
        if (strip.EscapeNoted() || frame_.ExitRequested()) cancelled = true;
    };
    if (documentFirst) {
        strip.SetProgress(Format("%d of %d", 1, total));
        const bool reload = frame_.ReloadPending();
        const bool current = !(frame_.ProcessingPending() || reload) ||
                             (reload ? frame_.OpenByName(frame_.FileName()) : frame_.Processing());
        count(current && frame_.SaveDocument({}, outputFormat));
    }
    for (const std::string& file : others) {
        if (cancelled || !strip.Tick(1) || !frame_.PumpMessages()) {
            cancelled = true;
            break;
        }
        strip.SetProgress(Format("%d of %d", converted + failed + 1, total));
        bool ok = frame_.OpenByName(file);
        if (ok) {
            frame_.Files().Add(file);
            ok = frame_.SaveDocument({}, outputFormat);
        }
        count(ok);
    }
    strip.SetProgress({});
    if (frame_.ExitRequested()) return {};
    return Format("%s: %d of %d files converted, %d failed.", cancelled ? "Convert All cancelled" : "Convert All",
                  converted, total, failed);
}

}  // namespace kyp
