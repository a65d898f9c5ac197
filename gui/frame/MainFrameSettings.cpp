// The settings side of the main frame: the settings store at start-up and on
// Snap Settings (FrameStore), .kis files, Default Settings, Exit, Help and About.
#include <QApplication>

#include "engine/settings/KisFile.h"
#include "engine/settings/StoredSettings.h"
#include "gui/app/InstallLayout.h"
#include "gui/dialogs/AboutBox.h"
#include "gui/frame/FolderScan.h"
#include "gui/frame/MainFrame.h"
#include "gui/frame/Messages.h"
#include "gui/frame/StatusStrip.h"
#include "gui/pages/BlankPage.h"
#include "gui/view/ImageWindow.h"

namespace kyp {

void MainFrame::LoadLayoutFromStore() {
    if (!store_.Load(settings_, curves_.Curves(), output_, files_, *this)) return;
    curves_.MarkChanged();
    if (store_.Layout().viewSeparate) ShowSeparateState();
}

bool MainFrame::SnapSettings() {
    const bool optionsRead = ApplyOptionsPage(false);
    const bool stored = store_.Snap(optionsRead ? &settings_ : nullptr, curves_.Curves(), output_, files_, *this);
    return stored && optionsRead;
}

bool MainFrame::LoadSettingsFile(const std::string& path) {
    if (!ReadKisFile(path, settings_, curves_.Curves(), &output_)) {
        ShowMessage(this, MessageIcon::warning, Format("Error parsing options file '%s'", path.c_str()));
        return false;
    }
    curves_.MarkChanged();
    ShowPagesSettings();
    TakeSettings(settings_);
    (void)SaveStoredSettings(nullptr, &curves_.Curves(), &output_);
    if (loaded_) SettingsEdited();
    return true;
}

bool MainFrame::SaveSettingsFile(const std::string& path) {
    if (!ApplyOptionsPage(false)) return false;
    ApplySaveFormatPage();
    if (!WriteKisFile(path, &settings_, curves_.Curves(), &output_)) {
        ShowMessage(this, MessageIcon::warning, Format("Error saving '%s'.", path.c_str()));
        return false;
    }
    return true;
}

void MainFrame::DefaultSettings() {
    for (OptionPage* page : pages_.Pages()) page->ResetToDefaults();
    // The records that pages not built yet would reset.
    if (dynamic_cast<BlankPageMarker*>(pages_.Page(page::options)) != nullptr) SetDefaults(settings_);
    if (dynamic_cast<BlankPageMarker*>(pages_.Page(page::curves)) != nullptr) {
        ResetCurves(curves_.Curves());
        curves_.MarkChanged();
    }
    if (dynamic_cast<BlankPageMarker*>(pages_.Page(page::saveFormat)) != nullptr) output_.ResetToDefaults();
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
    image_.Destroy();
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
