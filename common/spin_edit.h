#pragma once

#include <QSpinBox>

namespace vornel {

// The value a spin edit's text stands for right now, also while the user is
// still typing (a save can run before the field loses the focus): text that
// is not a number reads as the minimum, a number out of range as the nearest
// limit.
int spinEditValue(const QSpinBox& box);

// A whole-number field that always ends up within its range: a value set by
// the program is clamped, a number typed out of range goes to the nearest
// limit when the field is left or hidden, and text that is not a number reads
// as the minimum. Only signs and digits can be typed.
class SpinEdit : public QSpinBox {
    Q_OBJECT

public:
    explicit SpinEdit(QWidget* parent = nullptr);

protected:
    QValidator::State validate(QString& text, int& pos) const override;
    void fixup(QString& text) const override;
    int valueFromText(const QString& text) const override;
};

} // namespace vornel
