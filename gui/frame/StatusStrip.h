#pragma once
#include <QElapsedTimer>
#include <QWidget>

#include <functional>
#include <string>

#include "engine/core/ProgressCallback.h"
#include "gui/widgets/BusyAnimator.h"

class QMenu;
class QAction;

namespace kyp {

class FileList;

// The file-list popup's commands: entry i of the list is i + 1.
namespace listcmd {
inline constexpr int noDocuments = 0;
inline constexpr int open = 40002;
inline constexpr int clear = 40024;
}  // namespace listcmd

// The strip along the bottom of the main frame: the file-list button at the
// left, the status text, and the busy area at the right. It is also the
// progress object of every run: SetText/Begin/Tick/End drive the busy area,
// and Tick pumps the event queue so the window stays alive and can cancel.
class StatusStrip : public QWidget, public ProgressCallback {
    Q_OBJECT
public:
    static constexpr int kHeight = 20;
    static constexpr int kButtonWidth = 16;
    static constexpr int kBusyMaxWidth = 280;

    explicit StatusStrip(QWidget* parent = nullptr);
    ~StatusStrip() override;

    // The frame's side: how to pump, whether it is busy, what the default text
    // is, and what to do with a chosen popup entry.
    std::function<bool()> pump;                 // false: a quit was requested
    std::function<bool()> isBusy;
    std::function<std::string()> defaultText;   // file name of the document, or "Ready"
    std::function<void(int)> onListCommand;     // 1..count, listcmd::open, listcmd::clear

    // A copy of text; no text (null) shows the default text. Repaints at once.
    void SetStatus(const char* text);
    void SetStatus(const std::string& text) { SetStatus(text.c_str()); }
    [[nodiscard]] QString StatusText() const { return status_; }

    // ProgressCallback.
    void SetText(const char* text) override;
    void Begin(int32_t count) override;
    [[nodiscard]] bool Tick(int32_t count) override;
    void End() override;
    // SetText(text) then Begin(100); EndStatus is End.
    void ShowStatus(const char* text);
    void EndStatus() { End(); }

    // Exit: the run under way stops at its next Tick, nothing animates again.
    void SwitchOff();
    [[nodiscard]] bool SwitchedOff() const { return busy_.SwitchedOff(); }
    [[nodiscard]] BusyAnimator& Busy() { return busy_; }
    // Escape seen during the current run.
    [[nodiscard]] bool EscapeNoted() const { return escapeNoted_; }
    // Between the steps of a run: pumps the event queue when the last pump is
    // kPumpInterval or more ago. The run's SetText, Begin and End do the same,
    // so work that does not tick (a short engine step, the display rendering,
    // the pages catching up) still lets the window paint and see Escape. False
    // when the run is to stop (the answer the next Tick will give).
    bool PumpIfDue();
    static constexpr double kPumpIntervalMs = 8.0;

    // Longest time between two pumps of the current (or last) run, in ms,
    // counted from the outermost Begin to the outermost End, and the busy text
    // shown when that stretch began.
    [[nodiscard]] double LongestPumpGap() const { return longestGap_; }
    [[nodiscard]] QString LongestPumpGapText() const { return longestGapText_; }
    [[nodiscard]] int PumpCount() const { return pumps_; }

    // The popup menu of the file list.
    void RebuildMenu(const FileList& list);
    [[nodiscard]] QMenu* PopupMenu() const { return menu_; }
    // Shows the popup over the button (F2, a Shift drop, a click). While the
    // frame is busy: a beep.
    void PopupFileList(const FileList& list);
    // Where the file-list menu of size menu opens for the button at button (both
    // in screen coordinates) on a screen of available area screen: its left
    // edge 3 pixels left of the button's right edge, its top at the button's
    // bottom; above the button (its bottom at the button's top) only when
    // there is no room below; moved left to stay on the screen.
    [[nodiscard]] static QPoint MenuPosition(const QRect& button, const QSize& menu, const QRect& screen);
    // Tests answer the popup instead of a person: given the menu, the chosen action.
    static std::function<QAction*(QMenu*)>& MenuChooser();

    // A count shown before the status text while a batch runs ("2 of 5").
    void SetProgress(const std::string& progress);
    [[nodiscard]] const QString& Progress() const { return progress_; }
    // A short note shown at the right end while no run is under way (the zoom).
    void SetNote(const QString& note);
    [[nodiscard]] const QString& Note() const { return note_; }

    [[nodiscard]] QRect ButtonRect() const { return button_; }
    [[nodiscard]] QRect TextRect() const { return textArea_; }
    [[nodiscard]] QRect BusyRect() const { return busy_.Rect(); }

    const FileList* list = nullptr;  // for clicks on the button

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LayOut();
    // Pumps once (a run is under way) and accounts for the gap before it.
    bool PumpNow();
    void NoteGap();

    BusyAnimator busy_;
    QString status_;
    QString note_;
    QString progress_;
    QRect button_;
    QRect textArea_;
    QMenu* menu_ = nullptr;
    bool buttonPressed_ = false;
    int runDepth_ = 0;
    bool escapeNoted_ = false;
    bool quitSeen_ = false;
    QElapsedTimer sincePump_;
    QString gapText_;          // busy text when the current stretch began
    double longestGap_ = 0.0;
    QString longestGapText_;
    int pumps_ = 0;
};

// Shortens a path that does not fit width by taking characters out of its
// folder part (just before the last "/") and putting "..." there, keeping the
// file name whole as long as it fits on its own.
[[nodiscard]] QString PathEllipsis(const QString& text, const QFontMetrics& metrics, int width);

}  // namespace kyp
