#pragma once
#include <QWidget>

#include "gui/pages/OptionPage.h"

namespace kyp {

class MainFrame;
class SaveFormatControls;

// The Save Format tab: the frame's save-format settings (format,
// TIFF and JPEG options, quality, artist and copyright). Every edit is read
// into the settings at once, so the settings always hold what the page shows.
class SaveFormatPage : public QWidget, public OptionPage {
    Q_OBJECT
public:
    explicit SaveFormatPage(MainFrame& frame, QWidget* parent = nullptr);

    // Reads the controls into the frame's save-format settings.
    void ApplyPage();
    // Shows the frame's save-format settings.
    void ShowSettings();

    [[nodiscard]] QWidget* GetWindow() override { return this; }
    void Activate(bool shown) override;
    void ResetToDefaults() override;

    [[nodiscard]] SaveFormatControls* Controls() const { return controls_; }
    [[nodiscard]] QSize sizeHint() const override;

private:
    MainFrame& frame_;
    SaveFormatControls* controls_ = nullptr;
};

}  // namespace kyp
