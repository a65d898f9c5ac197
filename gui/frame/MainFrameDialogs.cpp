// The file dialogs of the main frame: open (with preview), save as, and the
// settings files. Each can be replaced by a function (tests answer them).
#include <QFileDialog>

#include <strings.h>

#include "engine/settings/OutputSettings.h"
#include "engine/settings/StoredSettings.h"
#include "gui/frame/FolderScan.h"
#include "gui/frame/MainFrame.h"
#include "gui/dialogs/OpenDialog.h"
#include "gui/dialogs/SaveDialogControls.h"
#include "gui/pages/SaveFormatPage.h"

namespace kyp {

void MainFrame::RunOpenDialog() {
    std::optional<std::string> chosen;
    if (openDialog) {
        chosen = openDialog();
    } else {
        FrameLayout& layout = store_.Layout();
        OpenDialog dialog(this, FrameStore::StoredDir(), fileName_, layout.autoPreview != 0, layout.generatePreview != 0);
        const bool accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
        layout.autoPreview = dialog.AutoPreview() ? 1 : 0;
        layout.generatePreview = dialog.GeneratePreviewWanted() ? 1 : 0;
        if (!accepted) return;
        chosen = dialog.selectedFiles().first().toStdString();
        FrameStore::SetDir(*chosen);
        // The turns given to the preview become the rotation setting.
        ImportSettings turned = settings_;
        turned.options = (turned.options & ~opt::rotMask) |
                         (OpenDialog::RotationForTurns(dialog.TurnCount()) << opt::rotShift);
        TakeSettings(turned);
    }
    if (!chosen || chosen->empty()) return;
    if (OpenByName(*chosen)) files_.Add(*chosen);
}

std::optional<std::pair<std::string, uint32_t>> MainFrame::RunSaveAsDialog(OutputSettings* settings) {
    if (saveDialog) return saveDialog();
    SaveAsDialog dialog(this, *settings, fileName_, FrameStore::StoredDir());
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const std::string name = dialog.ChosenName();
    if (name.empty()) return std::nullopt;
    *settings = dialog.Settings();
    // What the dialog chose (format, Exif and annotation switches, 16 bits,
    // quality, the annotation texts) is kept like the other settings: the
    // Save Format page shows it and the settings store holds it.
    output_ = *settings;
    if (pages_.SaveFormat() != nullptr) pages_.SaveFormat()->ShowSettings();
    (void)SaveStoredSettings(nullptr, nullptr, &output_);
    FrameStore::SetDir(name);
    return std::make_pair(name, settings->format);
}

std::optional<std::string> MainFrame::RunSettingsDialog(bool save) {
    if (settingsDialog) return settingsDialog(save);
    QFileDialog dialog(this, save ? QStringLiteral("Save Kyp Import Settings") : QStringLiteral("Load Kyp Import Settings"));
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
