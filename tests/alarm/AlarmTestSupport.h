#pragma once

#include "core/DateTime.h"

#include <QMetaType>
#include <QTest>

Q_DECLARE_METATYPE(DateTime)

// A local date-time built without time-zone rules, as the stored values are.
inline DateTime at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int ms = 0)
{
    return DateTime::fromDateAndTime(QDate(year, month, day), QTime(hour, minute, second, ms));
}

// Milliseconds on a straight time line, correct also before 1899-12-30.
inline qint64 timeLine(DateTime value)
{
    return value.dayNumber() * 86400000 + value.msecsOfDay();
}

namespace QTest {
template<>
inline char *toString(const DateTime &value)
{
    const QByteArray text = QByteArray::number(value.toDouble(), 'g', 17) + " ("
        + value.date().toString(Qt::ISODate).toLatin1() + ' '
        + value.time().toString(QStringLiteral("HH:mm:ss.zzz")).toLatin1() + ')';
    return qstrdup(text.constData());
}
} // namespace QTest
