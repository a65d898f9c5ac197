#pragma once
#include <QDialog>
#include <QPixmap>
#include <QTimer>

#include <functional>
#include <string>

#include "gui/widgets/BusyAnimator.h"

namespace kyp {

// The About box: the program's picture with the version text and
// a busy strip of its own along the bottom. As a splash at start-up it is
// modeless, shows the texts of the command-line handling in its strip and
// closes itself after 3.5 s once the frame is visible; as the About box it is
// modal and the picture slides in from above.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    enum class Mode { splash, about };

    AboutBox(Mode mode, QWidget* parent = nullptr);
    ~AboutBox() override;

    // "Version %u.%02u%s" from the build's version numbers (" (Debug)" in debug builds).
    [[nodiscard]] static QString VersionText();
    // Shows a text in the strip; the first one starts the strip's animation.
    void ShowText(const std::string& text);
    [[nodiscard]] QString StripText() const { return busy_.Text(); }

    // Splash: whether the frame is up and whether something is busy (both decide
    // when it may close), and what to do once it has closed.
    std::function<bool()> frameVisible;
    std::function<bool()> frameBusy;
    std::function<void()> onClosed;

    [[nodiscard]] int SlideOffset() const { return slide_; }
    [[nodiscard]] static QPixmap Picture();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void TimerFired();
    void TryClose();

    Mode mode_;
    QPixmap picture_;
    BusyAnimator busy_;
    bool stripStarted_ = false;
    QTimer timer_;
    QTimer slideTimer_;
    int slide_ = 0;
    bool closed_ = false;
};

}  // namespace kyp
