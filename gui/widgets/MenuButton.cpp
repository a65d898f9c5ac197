#include "gui/widgets/MenuButton.h"

#include <QMenu>
#include <QPainter>
#include <QPolygon>

namespace kyp {

MenuButton::MenuButton(QWidget* parent) : QPushButton(parent) {
    // clicked comes on release over the button, like the control's own click.
    connect(this, &QPushButton::clicked, this, [this] { ShowMenu(); });
}

void MenuButton::ShowMenu() {
    if (menu_ == nullptr) return;
    menu_->popup(mapToGlobal(rect().bottomLeft() + QPoint(0, 1)));
}

void MenuButton::resizeEvent(QResizeEvent* event) {
    QPushButton::resizeEvent(event);
    glyph_ = QPixmap();
}

void MenuButton::paintEvent(QPaintEvent* event) {
    QPushButton::paintEvent(event);
    // The glyph, a small downward triangle in the text colour, sits in a square
    // at the button's right end (the whole of a square button).
    const int side = std::min(width(), height());
    if (glyph_.isNull() || glyph_.width() != side) {
        glyph_ = QPixmap(side, side);
        glyph_.fill(Qt::transparent);
        QPainter glyph(&glyph_);
        const int half = std::max(2, side / 5);
        const QPoint centre(side / 2, side / 2);
        const QPolygon arrow({QPoint(centre.x() - half, centre.y() - half / 2),
                              QPoint(centre.x() + half, centre.y() - half / 2),
                              QPoint(centre.x(), centre.y() + half / 2 + 1)});
        glyph.setPen(Qt::NoPen);
        glyph.setBrush(palette().color(QPalette::ButtonText));
        glyph.drawPolygon(arrow);
    }
    QPainter painter(this);
    if (!isEnabled()) painter.setOpacity(0.4);
    painter.drawPixmap(width() - side - (text().isEmpty() ? 0 : 2), (height() - side) / 2, glyph_);
}

}  // namespace kyp
