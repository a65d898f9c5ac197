#pragma once
#include <QPixmap>
#include <QPushButton>

class QMenu;

namespace kyp {

// A push button that drops down a menu: it shows a menu-arrow glyph (drawn
// once for the button's size), and releasing the left button over it pops
// the menu up at the button's bottom-left corner. The menu's actions reach
// whoever connected to them (the page that owns the button).
class MenuButton : public QPushButton {
    Q_OBJECT
public:
    explicit MenuButton(QWidget* parent = nullptr);

    // The menu to drop down (not owned).
    void SetMenu(QMenu* menu) { menu_ = menu; }
    [[nodiscard]] QMenu* Menu() const { return menu_; }
    // Pops the menu up where a click would (also used by the keyboard).
    void ShowMenu();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QMenu* menu_ = nullptr;
    QPixmap glyph_;
};

}  // namespace kyp
