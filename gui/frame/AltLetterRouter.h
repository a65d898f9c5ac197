#pragma once
#include <QObject>

#include <functional>

class QKeySequence;
class QMainWindow;

namespace kyp {

class FrameMenus;

// Alt and a letter in the main frame, routed as a dialog page inside a frame
// window routes it: the frame's command keys first (Alt+C shows the Curves
// page); then, while the focus is inside the current page, the page's own
// underlined letters ("&Fix texture" on Alt+F); then the menu bar's letters
// ("&File"); and, with the focus outside the page, the page's letters last.
// A letter that nothing carries beeps. Qt alone would find two owners for
// Alt+F and only move the focus, so neither the menu nor the check box would
// act. The router watches the application's events from its construction to
// its destruction.
class AltLetterRouter : public QObject {
public:
    // currentPage: the widget of the page shown in the frame's tab panel.
    AltLetterRouter(QMainWindow& frame, const FrameMenus& menus, std::function<QWidget*()> currentPage);
    ~AltLetterRouter() override;
    AltLetterRouter(const AltLetterRouter&) = delete;
    AltLetterRouter& operator=(const AltLetterRouter&) = delete;

    // Alt and key (Qt::Key_A.. or Qt::Key_0..). False when nothing carries
    // the letter (after a beep).
    bool Route(int key);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool PageLetter(const QKeySequence& sequence);
    bool MenuLetter(const QKeySequence& sequence);

    QMainWindow& frame_;
    const FrameMenus& menus_;
    std::function<QWidget*()> currentPage_;
};

}  // namespace kyp
