#include "views/MarkedCalendar.h"

#include <QPainter>

MarkedCalendar::MarkedCalendar(QWidget *parent) : QCalendarWidget(parent)
{
    setVerticalHeaderFormat(QCalendarWidget::ISOWeekNumbers);
    setGridVisible(false);
    setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
    // Eight columns (the week number and seven days) of two digits with room
    // for the marking ring.
    setMinimumWidth(8 * (fontMetrics().horizontalAdvance(QStringLiteral("00")) + 12));
}

void MarkedCalendar::clearMarks()
{
    m_marks.clear();
    updateCells();
}

void MarkedCalendar::markDay(QDate day)
{
    m_marks.insert(day);
}

void MarkedCalendar::paintCell(QPainter *painter, const QRect &rect, QDate date) const
{
    QCalendarWidget::paintCell(painter, rect, date);
    if (!m_marks.contains(date))
        return;
    // A yellow ring: deep amber on a light background, bright yellow on a
    // dark one, with a translucent fill that keeps the day's number legible.
    const bool dark = palette().color(QPalette::Base).lightness() < 128;
    const QColor ring = dark ? QColor(0xFF, 0xD5, 0x4F) : QColor(0xC7, 0x8A, 0x00);
    QColor fill = dark ? QColor(0xFF, 0xD5, 0x4F) : QColor(0xFF, 0xE0, 0x60);
    fill.setAlpha(dark ? 60 : 110);
    const int side = std::min(rect.width(), rect.height()) - 2;
    const QRect circle(rect.center().x() - side / 2 + 1, rect.center().y() - side / 2 + 1, side - 1, side - 1);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(ring, 1.6));
    painter->setBrush(fill);
    painter->drawEllipse(circle);
    painter->restore();
    // The day's number again, over the fill.
    QFont font = painter->font();
    painter->save();
    if (date == selectedDate())
        painter->setPen(palette().color(QPalette::HighlightedText));
    else
        painter->setPen(palette().color(date.month() == monthShown() ? QPalette::Text : QPalette::PlaceholderText));
    font.setBold(true);
    painter->setFont(font);
    painter->drawText(rect, Qt::AlignCenter, QString::number(date.day()));
    painter->restore();
}
