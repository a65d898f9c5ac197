#include "gui/pages/WhiteBalanceMenu.h"

#include <QAction>
#include <QFileDialog>
#include <QMenu>

#include "engine/process/ProcessingSession.h"
#include "engine/raw/OrfRaw.h"
#include "engine/raw/TiffDirectory.h"
#include "engine/raw/TiffDocument.h"
#include "engine/raw/TiffEntry.h"
#include "engine/raw/TiffTags.h"
#include "gui/frame/MainFrame.h"
#include "gui/pages/OptionsPage.h"

namespace kyp {

namespace {

constexpr uint32_t kUnit = 0x00010001;  // 1/1

constexpr uint32_t Over256(uint32_t multiplier) { return multiplier << 16 | 256; }

struct Preset {
    int id;
    const char* text;
    uint16_t red;
    uint16_t blue;
};
constexpr Preset kPresets[] = {
    {wbcmd::k3000, "3000\u00B0 K  Hot white incandescent light bulb", 222, 702},
    {wbcmd::k3700, "3700\u00B0 K  Incandescent (preserve mood)", 284, 552},
    {wbcmd::k4000, "4000\u00B0 K  White fluorescent", 374, 586},
    {wbcmd::k4500, "4500\u00B0 K  Intense white fluorescent", 376, 426},
    {wbcmd::k5500, "5500\u00B0 K  Clear Day", 394, 376},
    {wbcmd::k6500, "6500\u00B0 K  Overcast or Flash", 434, 334},
    {wbcmd::k7500, "7500\u00B0 K  Shade on a clear day", 468, 304},
};

}  // namespace

std::optional<CameraBalance> ReadReferenceBalance(const std::string& path) {
    TiffDocument document;
    if (!document.open(path) || !document.parse()) return std::nullopt;
    const std::unique_ptr<TiffDirectory> note = readOlympusMakerNote(document, 9);
    if (!note) return std::nullopt;
    const TiffEntry* red = note->find(tag::kOlympusRedBalance);
    const TiffEntry* blue = note->find(tag::kOlympusBlueBalance);
    if (red == nullptr || blue == nullptr) return std::nullopt;
    const auto redValue = static_cast<uint16_t>(red->intValue());
    const auto blueValue = static_cast<uint16_t>(blue->intValue());
    if (redValue == 0 || blueValue == 0) return std::nullopt;
    return CameraBalance{redValue, blueValue};
}

std::optional<ScaleRatios> PresetRatios(int id) {
    for (const Preset& preset : kPresets) {
        if (preset.id == id) return ScaleRatios{Over256(preset.red), kUnit, Over256(preset.blue)};
    }
    return std::nullopt;
}

WhiteBalanceMenu::WhiteBalanceMenu(OptionsPage& page, QObject* parent) : QObject(parent), page_(page) {
    menu_ = new QMenu(&page);
    menu_->setObjectName(QStringLiteral("whiteBalanceMenu"));
    auto add = [this](int id, const QString& text) {
        QAction* action = menu_->addAction(text);
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { Choose(id); });
    };
    add(wbcmd::camera, QStringLiteral("Camera Setting"));
    menu_->addSeparator();
    for (const Preset& preset : kPresets) add(preset.id, QString::fromUtf8(preset.text));
    menu_->addSeparator();
    add(wbcmd::reference, QStringLiteral("Camera setting from reference image..."));
    connect(menu_, &QMenu::aboutToShow, this, [this] { UpdateStates(); });
    UpdateStates();
}

WhiteBalanceMenu::~WhiteBalanceMenu() = default;

QAction* WhiteBalanceMenu::Action(int id) const {
    for (QAction* action : menu_->actions()) {
        if (action->data().toInt() == id && !action->isSeparator()) return action;
    }
    return nullptr;
}

void WhiteBalanceMenu::UpdateStates() {
    QAction* camera = Action(wbcmd::camera);
    MainFrame& frame = page_.Frame();
    uint32_t red = 0, green = 0, blue = 0;
    int mode = 0;
    if (frame.DocumentLoaded() && frame.Session().GetCameraRatios(red, green, blue, mode)) {
        camera->setText(QString::asprintf("Camera Setting: %s (%d %d)", WhiteBalanceName(static_cast<uint32_t>(mode)),
                                          static_cast<int>(red >> 16), static_cast<int>(blue >> 16)));
        camera->setEnabled(true);
    } else {
        camera->setText(QStringLiteral("Camera Setting"));
        camera->setEnabled(false);
    }
}

std::optional<std::string> WhiteBalanceMenu::RunReferenceDialog() {
    if (referenceDialog) return referenceDialog();
    QFileDialog dialog(&page_, QStringLiteral("Camera setting from reference image"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.setNameFilter(QStringLiteral("Olympus RAW Format (*.orf)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

void WhiteBalanceMenu::Choose(int id) {
    if (const std::optional<ScaleRatios> preset = PresetRatios(id)) {
        page_.SetRatios(preset->red, preset->green, preset->blue);
        return;
    }
    if (id == wbcmd::camera) {
        MainFrame& frame = page_.Frame();
        uint32_t red = 0, green = 0, blue = 0;
        int mode = 0;
        if (!frame.DocumentLoaded() || !frame.Session().GetCameraRatios(red, green, blue, mode)) return;
        page_.SetRatios(red, kUnit, blue);
        return;
    }
    if (id == wbcmd::reference) {
        const std::optional<std::string> path = RunReferenceDialog();
        if (!path) return;
        if (const std::optional<CameraBalance> balance = ReadReferenceBalance(*path)) {
            page_.SetRatios(Over256(balance->red), kUnit, Over256(balance->blue));
        }
    }
}

}  // namespace kyp
