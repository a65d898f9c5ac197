#include "gui/frame/FrameDialogs.h"

#include <QFileDialog>

#include <strings.h>

#include "engine/settings/OutputSettings.h"
#include "engine/settings/StoredSettings.h"
#include "gui/dialogs/OpenDialog.h"
#include "gui/dialogs/SaveDialogControls.h"
#include "gui/frame/FolderScan.h"
#include "gui/frame/FrameStore.h"
#include "gui/frame/MainFrame.h"
#include "gui/pages/SaveFormatPage.h"

namespace kyp {

void FrameDialogs::Open() {
    std::optional<std::string> chosen;
    if (openDialog) {
        chosen = openDialog();
    } else {
        FrameLayout& layout = frame_.Layout();
        OpenDialog dialog(&frame_, FrameStore::StoredDir(), frame_.FileName(), layout.autoPreview != 0,
                          layout.generatePreview != 0);
        const bool accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
        layout.autoPreview = dialog.AutoPreview() ? 1 : 0;
        layout.generatePreview = dialog.GeneratePreviewWanted() ? 1 : 0;
        if (!accepted) return;
        chosen = dialog.selectedFiles().first().toStdString();
        FrameStore::SetDir(*chosen);
        // The turns given to the preview become the rotation setting.
        ImportSettings turned = frame_.Settings();
        turned.options = (turned.options & ~opt::rotMask) |
                         (OpenDialog::RotationForTurns(dialog.TurnCount()) << opt::rotShift);
        frame_.TakeSettings(turned);
    }
    if (!chosen || chosen->empty()) return;
    if (frame_.OpenByName(*chosen)) frame_.Files().Add(*chosen);
}

std::optional<std::pair<std::string, uint32_t>> FrameDialogs::SaveAs(OutputSettings* settings) {
    if (saveDialog) return saveDialog();
    SaveAsDialog dialog(&frame_, *settings, frame_.FileName(), FrameStore::StoredDir());
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const std::string name = dialog.ChosenName();
    if (name.empty()) return std::nullopt;
    *settings = dialog.Settings();
    // What the dialog chose (format, Exif and annotation switches, 16 bits,
    // quality, the annotation texts) is kept like the other settings: the
    // Save Format page shows it and the settings store holds it.
    frame_.SaveFormat() = *settings;
    if (SaveFormatPage* page = frame_.SaveFormatTab()) page->ShowSettings();
    (void)SaveStoredSettings(nullptr, nullptr, &frame_.SaveFormat());
    FrameStore::SetDir(name);
    return std::make_pair(name, settings->format);
}

std::optional<std::string> FrameDialogs::SettingsFile(bool save) {
    if (settingsDialog) return settingsDialog(save);
    QFileDialog dialog(&frame_, save ? QStringLiteral("Save Kyp Import Settings") : QStringLiteral("Load Kyp Import Settings"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.setNameFilter(QStringLiteral("Kyp Import Settings (*.kis)"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save) dialog.setDefaultSuffix(QStringLiteral("kis"));
    const std::string folder = FrameStore::StoredDir();
    if (!folder.empty()) dialog.setDirectory(QString::fromStdString(folder));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    std::string path = dialog.selectedFiles().first().toStdString();
    FrameStore::SetDir(path);
    return path;
}

}  // namespace kyp
