// The settings side of the main frame: the settings store (layout, file list,
// settings), .kis files, Default Settings, Exit, Help and About.
#include <QApplication>
#include <QScreen>

#include "engine/settings/KisFile.h"
#include "engine/settings/StoredSettings.h"
#include "gui/dialogs/AboutBox.h"
#include "gui/pages/BlankPage.h"
#include "gui/frame/FolderScan.h"
#include "gui/view/ImageWindow.h"
#include "gui/app/InstallLayout.h"
#include "gui/frame/MainFrame.h"
#include "gui/frame/Messages.h"
#include "gui/frame/StatusStrip.h"
#include "platform/SettingsStore.h"

namespace kyp {

void MainFrame::LoadLayoutFromStore() {
    SettingsStore store;
    if (!store.OpenForReading()) return;
    // The Options page starts from the stored options, or the defaults.
    if (!ReadStoredOptions(store, settings_)) SetDefaults(settings_);
    ReadStoredCurves(store, curves_);
    curvesChanged_ = true;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen != nullptr ? screen->size() : QSize(1111, 621);
    ReadFrameLayout(store, layout_, size.width(), size.height());
    if (layout_.window) {
        const StoredRect& window = *layout_.window;
        move(window.left, window.top);
        resize(window.width, window.height);
    }
    files_.Assign(layout_.files, layout_.current);
    (void)ReadStoredOutputSettings(store, output_);
    if (layout_.viewSeparate) ShowSeparateState();
}

bool MainFrame::SnapSettings() {
    bool ok = true;
    const bool optionsRead = ApplyOptionsPage(false);
    ok &= SaveStoredSettings(optionsRead ? &settings_ : nullptr, &curves_, nullptr);
    ok &= optionsRead;
    if (!files_.Empty()) {
        SettingsStore store;
        if (store.CreateForWriting()) {
            layout_.files = files_.Entries();
            layout_.current = files_.Current();
            if (!isMinimized()) layout_.window = StoredWindowRect(*this);
            // View: the image window keeps it up to date.
            ok &= WriteFrameLayout(store, layout_);
        } else {
            ok = false;
        }
    }
    ok &= SaveStoredSettings(nullptr, nullptr, &output_);
    return ok;
}

bool MainFrame::LoadSettingsFile(const std::string& path) {
    if (!ReadKisFile(path, settings_, curves_, &output_)) {
        ShowMessage(this, MessageIcon::warning, Format("Error parsing options file '%s'", path.c_str()));
        return false;
    }
    curvesChanged_ = true;
    ShowPagesSettings();
    TakeSettings(settings_);
    (void)SaveStoredSettings(nullptr, &curves_, &output_);
    if (loaded_) SettingsEdited();
    return true;
}

bool MainFrame::SaveSettingsFile(const std::string& path) {
    if (!ApplyOptionsPage(false)) return false;
    ApplySaveFormatPage();
    if (!WriteKisFile(path, &settings_, curves_, &output_)) {
        ShowMessage(this, MessageIcon::warning, Format("Error saving '%s'.", path.c_str()));
        return false;
    }
    return true;
}

void MainFrame::DefaultSettings() {
    for (OptionPage* page : pages_) page->ResetToDefaults();
    // The records that pages not built yet would reset.
    if (dynamic_cast<BlankPageMarker*>(pages_[page::options]) != nullptr) SetDefaults(settings_);
    if (dynamic_cast<BlankPageMarker*>(pages_[page::curves]) != nullptr) {
        ResetCurves(curves_);
        curvesChanged_ = true;
    }
    if (dynamic_cast<BlankPageMarker*>(pages_[page::saveFormat]) != nullptr) output_.ResetToDefaults();
    if (!loaded_) return;
    if (!ApplyOptionsPage(true)) return;
    if (reloadPending_) {
        (void)OpenByName(fileName_);
    } else {
        (void)Processing();
    }
}

void MainFrame::Exit() {
    if (exited_) return;
    exitRequested_ = true;
    // A run under way stops at its next progress check; the rest of Exit
    // waits until it has unwound (EndWait), so nothing is freed under it.
    strip_->SwitchOff();
    if (Busy()) return;
    FinishExit();
}

void MainFrame::FinishExit() {
    if (exited_) return;
    exited_ = true;
    (void)SnapSettings();
    DestroyImageWindow();
    session_.SetFileName("");
    fullRendering_.release();
    previewRendering_.release();
    loaded_ = false;
    if (splash != nullptr) splash->close();
    hide();
    if (quitHandler) quitHandler();
}

void MainFrame::Help() {
    if (programFolder.empty()) {
        Beep();
        return;
    }
    const std::string path = HelpFilePath(programFolder);
    const QString plain = QString::fromStdString(path);
    if (IsRegularFile(path) &&
        (openUrl(QStringLiteral("file://") + plain) || openUrl(plain))) {
        return;
    }
    ShowMessage(this, MessageIcon::information,
                Format("Sorry,\r\nUnable to launch the help file:\r\n'%s'", path.c_str()));
}

void MainFrame::About() {
    AboutBox box(AboutBox::Mode::about, this);
    box.exec();
}

}  // namespace kyp
