#pragma once
#include <QLineEdit>

#include <string>

namespace kyp {

// The Input and Output fields of the curves editor: a whole number between a
// minimum and a maximum, stepped with Up/Down (a large step with Shift) and
// with the wheel over the field, or typed (a decimal point or comma is taken,
// and the number rounded). Every change of value, by the user,
// emits valueEdited; SetValue only shows. A disabled field is empty and holds 0.
class CurveNumberEdit : public QLineEdit {
    Q_OBJECT
public:
    CurveNumberEdit(int minimum, int maximum, int smallStep, int largeStep, QWidget* parent = nullptr);

    [[nodiscard]] int Value() const { return value_; }
    // Shows value (limited) with the caret at the end; does not emit.
    void SetValue(int value);
    // Disabled: empty text and value 0.
    void SetActive(bool active);
    // The field's name in the message it gives when it is left holding text
    // that is no number.
    void SetName(const char* name) { name_ = name; }

signals:
    void valueEdited(int value);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Step(int delta);
    void TakeText();
    [[nodiscard]] int Clamped(long long v) const;

    int minimum_;
    int maximum_;
    int smallStep_;
    int largeStep_;
    int value_ = 0;
    std::string name_;
};

}  // namespace kyp
