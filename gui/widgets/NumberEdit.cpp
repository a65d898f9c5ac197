#include "gui/widgets/NumberEdit.h"

#include <QKeyEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include <locale.h>
#include <stdlib.h>

#include "gui/frame/Messages.h"

namespace kyp {

std::optional<double> ParseDecimal(const QString& text) {
    QByteArray bytes = text.trimmed().toLatin1();
    // One decimal separator, a point or a comma (as typed where the comma is the custom).
    const qsizetype comma = bytes.indexOf(',');
    if (comma >= 0) {
        if (bytes.indexOf(',', comma + 1) >= 0 || bytes.contains('.')) return std::nullopt;
        bytes[comma] = '.';
    }
    const char* begin = bytes.constData();
    const char* end = begin + bytes.size();
    bool negative = false;
    if (begin < end && (*begin == '+' || *begin == '-')) {
        negative = *begin == '-';
        ++begin;
    }
    // from_chars takes no sign of its own, and "inf"/"nan" are no numbers here.
    if (begin == end || !(std::isdigit(static_cast<unsigned char>(*begin)) || *begin == '.')) return std::nullopt;
    double value = 0.0;
    const auto [stop, error] = std::from_chars(begin, end, value, std::chars_format::general);
    if (error == std::errc() && stop == end) return negative ? -value : value;
    if (error == std::errc::result_out_of_range && stop == end) {
        // Beyond the double range: too large reads as infinite (and is clamped
        // to the field's top), too small to hold as zero. strtod in the C
        // locale tells the two apart; from_chars does not.
        static const locale_t cLocale = ::newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
        const double magnitude = cLocale ? ::strtod_l(begin, nullptr, cLocale) : HUGE_VAL;
        const double result = std::isinf(magnitude) ? HUGE_VAL : 0.0;
        return negative ? -result : result;
    }
    return std::nullopt;
}

NumberEdit::NumberEdit(int identifier, QWidget* parent) : QLineEdit(parent), identifier_(identifier) {
    setAlignment(Qt::AlignLeft);
}

void NumberEdit::Setup(double minimum, double maximum, double smallStep, double largeStep, int decimals) {
    minimum_ = minimum;
    maximum_ = maximum;
    smallStep_ = smallStep;
    largeStep_ = largeStep;
    decimals_ = std::clamp(decimals, 0, 9);
    SetValue(value_);
}

double NumberEdit::Clamp(double value) const {
    if (std::isnan(value)) return minimum_;
    // On the grid of the decimals shown: the value used is the value the field shows.
    const double scale = std::pow(10.0, decimals_);
    return std::clamp(std::round(std::clamp(value, minimum_, maximum_) * scale) / scale, minimum_, maximum_);
}

QString NumberEdit::Show(double value) const {
    // Rounded to the shown decimals, so a value never shows as "-0.0".
    QString text = QString::number(value, 'f', decimals_);
    if (text.startsWith(QLatin1Char('-')) && ParseDecimal(text).value_or(1.0) == 0.0) text.remove(0, 1);
    return text;
}

void NumberEdit::SetValue(double value) {
    value_ = Clamp(value);
    setText(Show(value_));
    setCursorPosition(static_cast<int>(text().size()));
}

void NumberEdit::SetEnabledState(bool enabled) {
    setEnabled(enabled);
    if (!enabled) {
        value_ = 0.0;
        clear();
    }
}

void NumberEdit::SetName(const char* name, bool checkOnLeave) {
    name_ = name;
    checkOnLeave_ = checkOnLeave;
}

std::string NumberEdit::InvalidMessage() const {
    // Six decimals, with a '.' whatever the locale, as the gamma message has them.
    return "Invalid " + name_ + "\r\n" + name_ + " should be a number in the range " +
           QString::number(minimum_, 'f', 6).toStdString() + " - " + QString::number(maximum_, 'f', 6).toStdString();
}

void NumberEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (!checkOnLeave_ || !isEnabled() || TextValue()) return;
    RestoreText();
    ShowMessage(this, MessageIcon::warning, InvalidMessage());
    selectAll();
}

void NumberEdit::Take(double value, bool showText) {
    const double clamped = Clamp(value);
    const bool changed = clamped != value_;
    value_ = clamped;
    if (showText) {
        setText(Show(value_));
        setCursorPosition(static_cast<int>(text().size()));
        // A value the user stepped to counts as typed.
        setModified(true);
    }
    if (changed) emit valueChanged(identifier_, static_cast<int>(std::lround(value_)));
}

void NumberEdit::Step(int sign, bool large) {
    const double base = value_;
    const double step = large ? largeStep_ : smallStep_;
    // Kept on the decimals grid, so 0.1 added ten times is 1.0 exactly as shown.
    const double scale = std::pow(10.0, decimals_);
    Take(std::round((base + sign * step) * scale) / scale, true);
}

void NumberEdit::keyPressEvent(QKeyEvent* event) {
    const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        Step(event->key() == Qt::Key_Up ? 1 : -1, shift);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
    // The edit has acted; the value follows the text (clamped) without
    // rewriting it. Text that is no number (yet) leaves the value alone.
    if (!isEnabled()) return;
    if (const std::optional<double> typed = TextValue()) Take(*typed, false);
}

void NumberEdit::wheelEvent(QWheelEvent* event) {
    const QPoint point = event->position().toPoint();
    const int delta = event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    if (!rect().adjusted(-6, -6, 6, 6).contains(point) || !isEnabled()) {
        event->ignore();
        return;
    }
    event->accept();
    if (std::abs(delta) < 12) return;
    Step(delta > 0 ? 1 : -1, (event->modifiers() & Qt::ShiftModifier) != 0);
}

}  // namespace kyp
