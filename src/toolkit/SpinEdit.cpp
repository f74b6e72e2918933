#include "toolkit/SpinEdit.h"

#include <algorithm>

SpinEdit::SpinEdit(QWidget *parent) : QSpinBox(parent)
{
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

QValidator::State SpinEdit::validate(QString &input, int &) const
{
    const QString text = input.trimmed();
    if (text.isEmpty() || text == QLatin1String("-") || text == QLatin1String("+"))
        return QValidator::Intermediate;
    bool ok = false;
    const qlonglong number = text.toLongLong(&ok);
    if (!ok)
        return QValidator::Invalid;
    return number >= minimum() && number <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
}

int SpinEdit::clamped(const QString &text) const
{
    bool ok = false;
    const qlonglong number = text.trimmed().toLongLong(&ok);
    if (!ok)
        return minimum();
    return int(std::clamp<qlonglong>(number, minimum(), maximum()));
}

void SpinEdit::fixup(QString &input) const
{
    input = textFromValue(clamped(input));
}

int SpinEdit::valueFromText(const QString &text) const
{
    return clamped(text);
}
