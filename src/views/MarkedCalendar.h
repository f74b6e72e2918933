#pragma once

#include <QCalendarWidget>
#include <QSet>

// A month calendar that marks the days holding tasks with a ring and a
// soft fill, drawn to read clearly on a light and on a dark palette.
class MarkedCalendar : public QCalendarWidget
{
    Q_OBJECT
public:
    explicit MarkedCalendar(QWidget *parent = nullptr);

    void clearMarks();
    void markDay(QDate day);
    bool isMarked(QDate day) const { return m_marks.contains(day); }
    const QSet<QDate> &marks() const { return m_marks; }

protected:
    void paintCell(QPainter *painter, const QRect &rect, QDate date) const override;

private:
    QSet<QDate> m_marks;
};
