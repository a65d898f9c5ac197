#pragma once
#include <QLineEdit>

#include <optional>
#include <string>

namespace kyp {

// Reads a decimal number the way the C library's strtod does in the "C"
// locale (an optional sign, digits with one optional decimal separator, an
// optional exponent), whatever locale the program runs in; the separator may
// be a point or a comma. Blanks around the number are allowed; nothing when
// the text does not read completely as a number.
[[nodiscard]] std::optional<double> ParseDecimal(const QString& text);

// A numeric edit field: a value between a minimum and a maximum, shown with a
// fixed number of decimals. Up and Down add and take away the small step (the
// large one with Shift); the wheel does the same while the pointer is within
// 6 pixels of the field; typing re-reads the text after every key. Every
// change of value made by the user is announced with valueChanged, carrying
// the field's identifier and the value rounded to an integer; values set by
// the program are not announced.
class NumberEdit : public QLineEdit {
    Q_OBJECT
public:
    // identifier: the number the owner knows the field by.
    explicit NumberEdit(int identifier, QWidget* parent = nullptr);

    void Setup(double minimum, double maximum, double smallStep, double largeStep, int decimals);
    // Clamps to the range, rounds to the decimals shown and shows the value;
    // does not announce it.
    void SetValue(double value);
    [[nodiscard]] double Value() const { return value_; }
    [[nodiscard]] int Identifier() const { return identifier_; }
    [[nodiscard]] double Minimum() const { return minimum_; }
    [[nodiscard]] double Maximum() const { return maximum_; }
    // The number the text holds now, unclamped (nothing when it holds none).
    [[nodiscard]] std::optional<double> TextValue() const { return ParseDecimal(text()); }
    // "%.*f" of a value with this field's decimals.
    [[nodiscard]] QString Show(double value) const;
    // Disabled, the field shows no text and its value is 0.
    void SetEnabledState(bool enabled);
    // The field's name in its message; with checkOnLeave the field itself
    // gives the message when it is left holding text that is not a number.
    void SetName(const char* name, bool checkOnLeave);
    // "Invalid <name>\r\n<name> should be a number in the range <min> - <max>".
    [[nodiscard]] std::string InvalidMessage() const;
    // Shows the value again in place of text that does not read as a number.
    void RestoreText() { SetValue(value_); }

    // Steps as the arrow keys and the wheel do (sign: +1 up, -1 down), and announces the change.
    void Step(int sign, bool large);

signals:
    void valueChanged(int identifier, int rounded);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Takes a new value (clamped); announces it when it differs. showText
    // rewrites the field (arrows, wheel); typing leaves the text as typed.
    void Take(double value, bool showText);
    [[nodiscard]] double Clamp(double value) const;

    int identifier_;
    double value_ = 0.0;
    double minimum_ = 0.0;
    double maximum_ = 0.0;
    double smallStep_ = 1.0;
    double largeStep_ = 10.0;
    int decimals_ = 0;
    std::string name_;
    bool checkOnLeave_ = false;
};

}  // namespace kyp
