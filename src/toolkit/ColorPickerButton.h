#pragma once

#include <QColor>
#include <QToolButton>

// A button that shows a colour and lets the user choose another one.
class ColorPickerButton : public QToolButton
{
    Q_OBJECT
public:
    explicit ColorPickerButton(QWidget *parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor &color);

signals:
    // The user chose a colour.
    void colorChosen(const QColor &color);

private:
    void choose();
    void updateSwatch();

    QColor m_color = Qt::white;
};
