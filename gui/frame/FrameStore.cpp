#include "gui/frame/FrameStore.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "engine/settings/StoredSettings.h"
#include "gui/frame/FileList.h"
#include "gui/frame/FolderScan.h"
#include "platform/SettingsStore.h"

namespace kyp {

bool FrameStore::Load(ImportSettings& settings, CurveArray& curves, OutputSettings& output, FileList& files,
                      QWidget& window) {
    SettingsStore store;
    if (!store.OpenForReading()) return false;
    // The Options page starts from the stored options, or the defaults.
    if (!ReadStoredOptions(store, settings)) SetDefaults(settings);
    ReadStoredCurves(store, curves);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen != nullptr ? screen->size() : QSize(1111, 621);
    ReadFrameLayout(store, layout_, size.width(), size.height());
    if (layout_.window) {
        const StoredRect& place = *layout_.window;
        window.move(place.left, place.top);
        window.resize(place.width, place.height);
    }
    files.Assign(layout_.files, layout_.current);
    (void)ReadStoredOutputSettings(store, output);
    return true;
}

bool FrameStore::Snap(const ImportSettings* settings, const CurveArray& curves, const OutputSettings& output,
                      const FileList& files, const QWidget& window) {
    bool ok = SaveStoredSettings(settings, &curves, nullptr);
    if (!files.Empty()) {
        SettingsStore store;
        if (store.CreateForWriting()) {
            layout_.files = files.Entries();
            layout_.current = files.Current();
            if (!window.isMinimized()) layout_.window = StoredWindowRect(window);
            // View: the image window keeps it up to date.
            ok &= WriteFrameLayout(store, layout_);
        } else {
            ok = false;
        }
    }
    ok &= SaveStoredSettings(nullptr, nullptr, &output);
    return ok;
}

void FrameStore::SetDir(const std::string& path) {
    const std::string dir = DirValueFor(path);
    if (dir.empty()) return;
    SettingsStore store;
    if (store.CreateForWriting()) (void)store.WriteString("Dir", dir);
}

std::string FrameStore::StoredDir() {
    SettingsStore store;
    std::string dir;
    if (!store.OpenForReading()) return "/";
    (void)store.ReadString("Dir", dir);
    return dir;
}

}  // namespace kyp
