#pragma once
#include <QColor>
#include <QRect>
#include <QString>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class QPainter;
class QWidget;

namespace kyp {

// The busy area of the status strip and the About box: a pale bell-shaped
// gradient that rolls sideways while something runs, with a text over it.
//
// Begin and End nest through a level counter. The first Begin builds the row
// and starts a thread that, every 20 ms, rotates the row under the lock and
// asks the owner widget to repaint the area; the painting itself happens on
// the interface thread (Paint, from the owner's paintEvent), which during a
// long run is whenever the run pumps events. The last End stops the thread:
// the thread waits out its 20 ms on a condition variable that End notifies,
// so stopping takes as long as one rotation, not a whole step.
class BusyAnimator {
public:
    static constexpr int kRowLength = 257;   // the bell; the first 256 values are shown
    static constexpr int kShown = 256;
    static constexpr int kStepMilliseconds = 20;

    explicit BusyAnimator(QWidget* owner);
    ~BusyAnimator();
    BusyAnimator(const BusyAnimator&) = delete;
    BusyAnimator& operator=(const BusyAnimator&) = delete;

    void SetRect(const QRect& rect);
    [[nodiscard]] QRect Rect() const { return rect_; }
    void SetCentred(bool centred) { centred_ = centred; }

    // Replaces the text (a null text clears it) and repaints the area.
    void SetText(const char* text);
    [[nodiscard]] QString Text() const;
    void Begin();
    void End();
    // No animation starts again; the owner's run ends at its next check.
    void SwitchOff();
    [[nodiscard]] bool SwitchedOff() const { return switchedOff_.load(); }
    [[nodiscard]] int Level() const { return level_.load(); }
    [[nodiscard]] bool Animating() const;

    // Draws the area (row or button face, then the text). Interface thread only.
    void Paint(QPainter& painter, const QColor& face);

    // The bell: value k is 256 - round(255 exp(-d^2 / (2 sigma^2))) with
    // d = k - 128 and sigma^2 = 128^2 / (2 ln 255): 255 at both ends, 1 in the middle.
    [[nodiscard]] static std::array<uint8_t, kRowLength> BuildRow();
    // Entry i: red and green 190 + i / 4, blue 240.
    [[nodiscard]] static QRgb PaletteEntry(int index);
    // One step of the animation: the first 256 values rotate left by 2.
    static void RotateRow(std::array<uint8_t, kRowLength>& row);

    // A copy of the row (for tests); all zeros when no row exists.
    [[nodiscard]] std::array<uint8_t, kRowLength> RowSnapshot() const;

private:
    void Run();
    // Tells the thread to end, wakes it and waits for it.
    void StopThread();
    void RequestRepaint();

    QWidget* owner_;
    QRect rect_;
    bool centred_ = true;
    mutable std::mutex lock_;
    std::array<uint8_t, kRowLength> row_{};
    bool hasRow_ = false;
    QString text_;
    std::atomic<int> level_{0};
    std::atomic<bool> switchedOff_{false};
    std::atomic<bool> repaintPosted_{false};
    bool stopping_ = false;        // guarded by lock_; wakes the thread
    std::condition_variable wake_;
    std::thread thread_;
};

}  // namespace kyp
