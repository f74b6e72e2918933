#include "toolkit/ColorPickerButton.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>

ColorPickerButton::ColorPickerButton(QWidget *parent) : QToolButton(parent)
{
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setIconSize(QSize(40, 14));
    updateSwatch();
    connect(this, &QToolButton::clicked, this, &ColorPickerButton::choose);
}

void ColorPickerButton::setColor(const QColor &color)
{
    m_color = color;
    updateSwatch();
}

void ColorPickerButton::choose()
{
    const QColor chosen = QColorDialog::getColor(m_color, this);
    if (!chosen.isValid())
        return;
    setColor(chosen);
    emit colorChosen(chosen);
}

void ColorPickerButton::updateSwatch()
{
    const qreal ratio = devicePixelRatioF();
    QPixmap swatch(iconSize() * ratio);
    swatch.setDevicePixelRatio(ratio);
    swatch.fill(m_color);
    QPainter painter(&swatch);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(QRectF(QPointF(0, 0), QSizeF(iconSize())).adjusted(0, 0, -1, -1));
    painter.end();
    setIcon(QIcon(swatch));
    setToolTip(m_color.name());
}
