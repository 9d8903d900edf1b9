#include "common/spin_edit.h"

#include <QRegularExpression>
#include <algorithm>

namespace vornel {

namespace {

const QRegularExpression& signedDigits() {
    static const QRegularExpression pattern(QStringLiteral("^([+-]?)(\\d*)$"));
    return pattern;
}

int readClamped(const QString& text, int minimum, int maximum) {
    QRegularExpressionMatch m = signedDigits().match(text);
    QString digits = m.hasMatch() ? m.captured(2) : QString();
    if (digits.isEmpty()) return minimum;
    while (digits.size() > 1 && digits.front() == u'0')
        digits.remove(0, 1);
    // A number longer than any limit lies beyond it; only its sign matters.
    qlonglong n = digits.size() > 12 ? 1'000'000'000'000 : digits.toLongLong();
    if (m.captured(1) == u'-') n = -n;
    return int(std::clamp<qlonglong>(n, minimum, maximum));
}

} // namespace

int spinEditValue(const QSpinBox& box) {
    return readClamped(box.cleanText(), box.minimum(), box.maximum());
}

SpinEdit::SpinEdit(QWidget* parent) : QSpinBox(parent) {
    setRange(1, 9999);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

QValidator::State SpinEdit::validate(QString& text, int&) const {
    QRegularExpressionMatch m = signedDigits().match(text);
    if (!m.hasMatch()) return QValidator::Invalid;
    bool ok = false;
    int n = m.captured(2).toInt(&ok);
    if (m.captured(1) == u'-') n = -n;
    return ok && n >= minimum() && n <= maximum() ? QValidator::Acceptable
                                                  : QValidator::Intermediate;
}

void SpinEdit::fixup(QString& text) const {
    text = QString::number(readClamped(text, minimum(), maximum()));
}

int SpinEdit::valueFromText(const QString& text) const {
    return readClamped(text, minimum(), maximum());
}

} // namespace vornel
