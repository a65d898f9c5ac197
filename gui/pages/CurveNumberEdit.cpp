#include "gui/pages/CurveNumberEdit.h"

#include <QKeyEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <optional>

#include "gui/frame/Messages.h"
#include "gui/widgets/NumberEdit.h"

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
    // A text that is no number (yet: empty, a lone sign) changes nothing.
    const std::optional<double> typed = ParseDecimal(text());
    if (!typed) return;
    const double limited = std::clamp(*typed, double(minimum_), double(maximum_));
    const int value = Clamped(std::llround(limited));
    if (value == value_) return;
    value_ = value;
    emit valueEdited(value_);
}

void CurveNumberEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (!isEnabled() || name_.empty() || ParseDecimal(text())) return;
    SetValue(value_);
    ShowMessage(this, MessageIcon::warning,
                "Invalid " + name_ + "\r\n" + name_ + " should be a number in the range 0 - 255");
    selectAll();
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
