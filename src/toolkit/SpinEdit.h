#pragma once

#include <QSpinBox>

// A spin field whose text may hold any integer while it is being typed. An
// out-of-range value is moved to the nearest bound when the text is taken
// (the field loses the focus, Enter is pressed, or the owner reads it with
// interpretText()), so the value is always within range and nothing beyond
// it ever reaches its reader. A text that is not a number reads as the
// minimum.
class SpinEdit : public QSpinBox
{
    Q_OBJECT
public:
    explicit SpinEdit(QWidget *parent = nullptr);

protected:
    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;
    int valueFromText(const QString &text) const override;

private:
    int clamped(const QString &text) const;
};
