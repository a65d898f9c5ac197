// The file dialogs of the main frame: open (with preview), save as, and the
// settings files. Each can be replaced by a function (tests answer them).
#include <QFileDialog>

#include <strings.h>

#include "engine/settings/OutputSettings.h"
#include "gui/FolderScan.h"
#include "gui/MainFrame.h"
#include "gui/OpenDialog.h"

namespace kyp {

void MainFrame::RunOpenDialog() {
    std::optional<std::string> chosen;
    if (openDialog) {
        chosen = openDialog();
    } else {
        OpenDialog dialog(this, StoredDir(), fileName_, layout_.autoPreview != 0, layout_.generatePreview != 0);
        const bool accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
        layout_.autoPreview = dialog.AutoPreview() ? 1 : 0;
        layout_.generatePreview = dialog.GeneratePreviewWanted() ? 1 : 0;
        if (!accepted) return;
        chosen = dialog.selectedFiles().first().toStdString();
        SetDir(*chosen);
        // The turns given to the preview become the rotation setting.
        ImportSettings turned = settings_;
        turned.options = (turned.options & ~opt::rotMask) |
                         (OpenDialog::RotationForTurns(dialog.TurnCount()) << opt::rotShift);
        TakeSettings(turned);
    }
    if (!chosen || chosen->empty()) return;
    if (OpenByName(*chosen)) files_.Add(*chosen);
}

namespace {

std::optional<std::pair<std::string, uint32_t>> RunSaveDialog(QWidget* parent, const std::string& fileName,
                                                              uint32_t currentFormat, const std::string& folder) {
    static const QStringList kFilters = {QStringLiteral("TIFF Files (*.tif)"), QStringLiteral("Bitmap Files (*.bmp)"),
                                         QStringLiteral("JPEG Files (*.jpg)")};
    QFileDialog dialog(parent, QStringLiteral("Save As"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.setNameFilters(kFilters);
    const uint32_t initial = currentFormat <= format::jpeg ? currentFormat : format::tiff;
    dialog.selectNameFilter(kFilters[static_cast<int>(initial)]);
    dialog.setDefaultSuffix(QString::fromLatin1(FormatExtension(initial) + 1));
    if (!folder.empty()) dialog.setDirectory(QString::fromStdString(folder));
    if (!fileName.empty()) dialog.selectFile(QString::fromStdString(BaseNameOf(ReplaceExtension(fileName, FormatExtension(initial)))));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        const auto index = static_cast<uint32_t>(kFilters.indexOf(filter));
        if (index > format::jpeg) return;
        dialog.setDefaultSuffix(QString::fromLatin1(FormatExtension(index) + 1));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const qsizetype index = kFilters.indexOf(dialog.selectedNameFilter());
    const uint32_t chosenFormat = index >= 0 ? static_cast<uint32_t>(index) : initial;
    std::string name = dialog.selectedFiles().first().toStdString();
    // The file type decides the extension of a typed name.
    const std::string extension = FormatExtension(chosenFormat);
    const std::string base = BaseNameOf(name);
    const size_t dot = base.rfind('.');
    if (dot == std::string::npos || strcasecmp(base.c_str() + dot, extension.c_str()) != 0) {
        name = ReplaceExtension(name, extension);
    }
    return std::make_pair(name, chosenFormat);
}

}  // namespace

std::optional<std::pair<std::string, uint32_t>> MainFrame::RunSaveAsDialog() {
    if (saveDialog) return saveDialog();
    auto chosen = RunSaveDialog(this, fileName_, output_.format, StoredDir());
    if (chosen) {
        output_.format = chosen->second;
        SetDir(chosen->first);
    }
    return chosen;
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
    const std::string folder = StoredDir();
    if (!folder.empty()) dialog.setDirectory(QString::fromStdString(folder));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    std::string path = dialog.selectedFiles().first().toStdString();
    SetDir(path);
    return path;
}

}  // namespace kyp
