#pragma once
#include <QFileDialog>
#include <QTimer>

#include <cstdint>
#include <string>

#include "engine/output/Bitmap.h"

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace kyp {

class PreviewPicture;

// The open dialog: Qt's own file dialog (so a panel can sit beside it) with a
// preview of the selected ORF file, its camera caption, and two buttons that
// turn the preview, whose turns become the rotation setting on OK.
//
// Controls beside the file panel, by object name:
//   previewCheck     "&Preview"
//   embeddedCheck    "&Use embedded preview"
//   rotateLeftButton "&L"   rotateRightButton "&R"
//   captionText      read-only caption
class OpenDialog : public QFileDialog {
    Q_OBJECT
public:
    static constexpr int kGenerateDelayMs = 170;

    OpenDialog(QWidget* parent, const std::string& folder, const std::string& fileName, bool autoPreview,
               bool generatePreview);

    // A new selection: any pending preview is stopped and the caption cleared;
    // with "&Preview" checked the preview is built at once (embedded) or after
    // kGenerateDelayMs (generated), a new selection restarting the wait.
    void SelectionChanged(const QString& path);
    // Quarter turns of the preview: "&L" adds one, "&R" takes one away, and
    // plus or minus 4 become 0.
    void TurnLeft();
    void TurnRight();
    [[nodiscard]] int TurnCount() const { return turns_; }
    // The rotation setting for a turn count: (-turns) mod 4, in 0..3.
    [[nodiscard]] static uint32_t RotationForTurns(int turns) { return static_cast<uint32_t>(((-turns) % 4 + 4) % 4); }

    // Where a preview of size image is drawn in a panel of size panel: at the
    // top-left, inside its 2-pixel edge, scaled down to fit (aspect kept).
    [[nodiscard]] static QRect PreviewArea(const QSize& image, const QSize& panel);
    [[nodiscard]] bool AutoPreview() const;
    [[nodiscard]] bool GeneratePreviewWanted() const;
    [[nodiscard]] bool PreviewShown() const { return preview_.hasPixels(); }
    [[nodiscard]] int BuildCount() const { return builds_; }
    [[nodiscard]] const Bitmap& Preview() const { return preview_; }
    [[nodiscard]] QString Caption() const;

private:
    void BuildPreview();
    void DropPreview();

    QCheckBox* previewCheck_ = nullptr;
    QCheckBox* embeddedCheck_ = nullptr;
    QPushButton* leftButton_ = nullptr;
    QPushButton* rightButton_ = nullptr;
    QPlainTextEdit* caption_ = nullptr;
    PreviewPicture* picture_ = nullptr;
    QTimer timer_;
    QString selected_;
    Bitmap preview_;
    int turns_ = 0;
    int builds_ = 0;
};

}  // namespace kyp
