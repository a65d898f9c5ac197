#include "gui/CurveNumberEdit.h"

#include <QKeyEvent>
#include <QWheelEvent>

#include <algorithm>

namespace kyp {

CurveNumberEdit::CurveNumberEdit(int minimum, int maximum, int smallStep, int largeStep, QWidget* parent)
    : QLineEdit(parent), minimum_(minimum), maximum_(std::max(minimum, maximum)), smallStep_(smallStep),
      largeStep_(largeStep) {
    setMaxLength(12);
    connect(this, &QLineEdit::textEdited, this, [this] { TakeText(); });
}

int CurveNumberEdit::Clamped(long long v) const {
    return static_cast<int>(std::clamp<long long>(v, minimum_, maximum_));
}

void CurveNumberEdit::SetValue(int value) {
    value_ = Clamped(value);
    setText(QString::number(value_));
    setCursorPosition(static_cast<int>(text().size()));
}

void CurveNumberEdit::SetActive(bool active) {
    setEnabled(active);
    if (!active) {
        value_ = 0;
        clear();
    }
}

void CurveNumberEdit::Step(int delta) {
    const int value = Clamped(static_cast<long long>(value_) + delta);
    SetValue(value);
    emit valueEdited(value_);
}

void CurveNumberEdit::TakeText() {
    // A decimal number at the start of the text; a text without one (empty,
    // a lone sign) is not a value yet and changes nothing.
    const QString text = this->text().trimmed();
    qsizetype end = 0;
    if (end < text.size() && (text[end] == QLatin1Char('+') || text[end] == QLatin1Char('-'))) ++end;
    const qsizetype digits = end;
    while (end < text.size() && text[end].isDigit() && end - digits < 10) ++end;
    if (end == digits) return;
    bool ok = false;
    const long long parsed = text.left(end).toLongLong(&ok);
    if (!ok) return;
    const int value = Clamped(parsed);
    if (value == value_) return;
    value_ = value;
    emit valueEdited(value_);
}

void CurveNumberEdit::keyPressEvent(QKeyEvent* event) {
    const int step = (event->modifiers() & Qt::ShiftModifier) ? largeStep_ : smallStep_;
    if (event->key() == Qt::Key_Up) {
        Step(step);
        return;
    }
    if (event->key() == Qt::Key_Down) {
        Step(-step);
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CurveNumberEdit::wheelEvent(QWheelEvent* event) {
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    event->accept();
    if (!isEnabled() || std::abs(delta) < 12) return;
    const int step = (event->modifiers() & Qt::ShiftModifier) ? largeStep_ : smallStep_;
    Step(delta > 0 ? step : -step);
}

}  // namespace kyp
