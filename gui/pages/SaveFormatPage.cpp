#include "gui/pages/SaveFormatPage.h"

#include <QVBoxLayout>

#include "gui/dialogs/SaveDialogControls.h"
#include "gui/frame/MainFrame.h"
#include "gui/pages/BlankPage.h"

namespace kyp {

SaveFormatPage::SaveFormatPage(MainFrame& frame, QWidget* parent) : QWidget(parent), frame_(frame) {
    setObjectName(QStringLiteral("saveFormatPage"));
    controls_ = new SaveFormatControls(SaveFormatControls::Form::page, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(controls_);
    ShowSettings();
    connect(controls_, &SaveFormatControls::edited, this, [this] { ApplyPage(); });
}

QSize SaveFormatPage::sizeHint() const { return QWidget::sizeHint().expandedTo(QSize(kPageWidth, kPageHeight)); }

void SaveFormatPage::ApplyPage() { controls_->Read(frame_.SaveFormat()); }

void SaveFormatPage::ShowSettings() { controls_->Show(frame_.SaveFormat()); }

void SaveFormatPage::Activate(bool shown) {
    if (!shown) ApplyPage();
}

void SaveFormatPage::ResetToDefaults() {
    frame_.SaveFormat().ResetToDefaults();
    ShowSettings();
}

}  // namespace kyp
