#pragma once
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

#include "engine/process/ProcessedImage.h"
#include "engine/settings/Curve.h"
#include "engine/settings/ImportSettings.h"
#include "gui/pages/CurveEditing.h"
#include "gui/pages/CurveGraph.h"
#include "gui/pages/OptionPage.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace kyp {

class CurveNumberEdit;
class MainFrame;

// The Curves tab: edits the four tone curves (RGB, red, green,
// blue) held by the frame, on a 256 by 256 pixel graph with the mouse, with
// the Input and Output fields, the wheel and the buttons. Edits reach the
// processing through the frame: the curves-changed flags, then a preview
// refresh (curves option) or a reload (raw-curves option).
class CurvesPage : public QWidget, public OptionPage {
    Q_OBJECT
public:
    explicit CurvesPage(MainFrame& frame, QWidget* parent = nullptr);
    ~CurvesPage() override;

    // ---- OptionPage ----
    [[nodiscard]] QWidget* GetWindow() override { return this; }
    void ShowSample(const SampleRecord& record) override;
    void Activate(bool shown) override;
    void DocumentChanged() override;
    void DocumentClosed() override;
    void ResetToDefaults() override;
    void PageCommand(int command) override;

    // ---- commands (the buttons; modifier keys as Modifiers() answers) ----
    void StepPoint(bool forward);  // "&Next Point" (true), "&Prev Point" (false)
    void DefaultCurves();
    void RevertCurves();
    void AutoCurves();
    void LoadCurves();
    void SaveCurves();
    void SelectChannel(int channel);

    // ---- state, for the frame and for tests ----
    [[nodiscard]] int Channel() const { return channel_; }
    [[nodiscard]] int Selected() const { return selected_; }
    [[nodiscard]] int SampledInput() const { return sampled_; }
    [[nodiscard]] bool Dragging() const { return dragging_; }
    [[nodiscard]] const Curve& CurrentCurve() const;
    [[nodiscard]] const DisplayTable& Table() const { return table_; }
    [[nodiscard]] const CurveStrips& Strips() const { return strips_; }
    [[nodiscard]] QRect Graph() const { return graph_; }
    // The area a drag may end in without deleting the point.
    [[nodiscard]] QRect KeepArea() const;
    // The cursor the page shows over p when no button is held; Qt::BitmapCursor
    // stands for the delete cursor (a point that Ctrl would delete).
    [[nodiscard]] Qt::CursorShape HoverCursor(QPoint p, bool ctrl) const;
    [[nodiscard]] QSize sizeHint() const override;

    // ---- seams ----
    // The modifier keys commands and the Ctrl watch look at (the keyboard's by default).
    std::function<Qt::KeyboardModifiers()> modifiers;
    // The .acv file to load (save false) or save (save true); none when cancelled.
    std::function<std::optional<std::string>(bool save)> curveFileDialog;
    // The processed image "A&uto" measures (the document's by default; none without one).
    std::function<const ProcessedImage*()> processedImage;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildControls();
    void PlaceControls();
    [[nodiscard]] Qt::KeyboardModifiers Modifiers() const;
    [[nodiscard]] Curve& Current();
    [[nodiscard]] CurveArray& Curves();

    // Curves changed outside the page (a settings file, the store at start-up)
    // are made editable and shown.
    void Sync();
    // Notes the curves as the page last left them.
    void Remember();
    // Rebuilds the display table and the current channel's strip, repaints.
    void UpdateHint();
    void Redraw();
    // Reports an edit to the frame and the engine (not while dragging).
    void Changed();
    void ShowSelected();
    void SetSelection(int index);
    void SetSelectedPoint(int x, int y);
    void DeleteSelected();
    bool AddPointAt(QPoint p, bool ctrl);
    void ClickAt(QPoint p, bool ctrl);
    void DragTo(QPoint p);
    void OnFieldEdited();
    void OnCtrlWatch();
    void CopySettings();
    void UpdateHoverCursor();
    // Sets the cursor HoverCursor chooses (the delete cursor for a point under Ctrl).
    void ShowHoverCursor(QPoint p, bool ctrl);
    [[nodiscard]] int HitTest(QPoint p) const;
    [[nodiscard]] QPoint GraphPoint(QPoint p) const;
    void UpdateSquare(int x, int y);

    MainFrame& frame_;
    CurveArray known_;
    ImportSettings settings_{};
    DisplayTable table_{};
    CurveStrips strips_;
    QRect graph_;
    int channel_ = 0;
    int rememberedChannel_ = 0;
    bool listChosen_ = false;
    int selected_ = -1;
    int sampled_ = -1;
    bool dragging_ = false;
    bool pressPending_ = false;
    bool ignoreRelease_ = false;
    QPoint pressPos_;
    bool ctrlLabels_ = false;
    bool shown_ = false;
    QTimer ctrlWatch_;
    QCursor deleteCursor_;

    QLabel* channelLabel_ = nullptr;
    QLabel* offHint_ = nullptr;  // shown while edited curves have no step to take effect in
    QComboBox* channelList_ = nullptr;
    QLabel* inputLabel_ = nullptr;
    CurveNumberEdit* input_ = nullptr;
    QLabel* outputLabel_ = nullptr;
    CurveNumberEdit* output_ = nullptr;
    QPushButton* nextPoint_ = nullptr;
    QPushButton* prevPoint_ = nullptr;
    QPushButton* default_ = nullptr;
    QPushButton* revert_ = nullptr;
    QPushButton* auto_ = nullptr;
    QPushButton* load_ = nullptr;
    QPushButton* save_ = nullptr;
};

}  // namespace kyp
