#pragma once

#include "core/DateTime.h"
#include "store/Connection.h"
#include "store/Statement.h"

#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QVariantMap>

// What the sync tests share: a machine's database and the short form in
// which tasks on both sides are compared.
namespace syncfixture {

using namespace Qt::StringLiterals;

inline const QTimeZone Zone("Europe/Berlin");

inline double at(int y, int mo, int d, int h, int mi)
{
    return DateTime::fromDateAndTime(QDate(y, mo, d), QTime(h, mi)).toDouble();
}

// One task as both sides are compared: text, category, notes, due, done.
inline QString summary(const QVariantMap &f)
{
    const double due = f.value(u"DueDateTime"_s).toDouble();
    return QStringList{f.value(u"Task"_s).toString(), f.value(u"Category"_s).toString(), f.value(u"Notes"_s).toString(),
                       due > 0 ? DateTime(due).toQDateTime().toString(u"yyyy-MM-dd hh:mm"_s) : QString(),
                       QString::number(f.value(u"Completed"_s).toInt())}
        .join(u'|');
}

// One machine's task database, written as the window writes it (the
// alarm, the editor and the grid all change rows of Tasks).
struct Machine
{
    QTemporaryDir dir;
    Connection here; // the window's own connection

    Machine()
    {
        here.setDatabaseFile(file());
        here.open();
    }
    QString file() const { return dir.filePath(u"Nudgewick.mdb"_s); }

    qint64 add(const QString &task, const QString &occurrence = u"Todo"_s, double due = 0)
    {
        Statement s(here.handle(), u"insert into Tasks (Task, Occurrence, Frequency, ValidHours, ValidDays, DueDateTime, "
                                   "AlarmDateTime, Completed, PercentageComplete, TaskCreated, Priority) "
                                   "values (?, ?, 1, '00-23', 'MTWTFSS', ?, ?, 0, 0, ?, 5)"_s);
        s.bind(task);
        s.bind(occurrence);
        s.bind(due > 0 ? QVariant(due) : QVariant());
        s.bind(due > 0 ? QVariant(due) : QVariant());
        s.bind(at(2026, 12, 1, 10, 0));
        s.execute();
        return s.lastInsertId();
    }
    qint64 idOf(const QString &task)
    {
        Statement s(here.handle(), u"select ID from Tasks where Task = ?"_s);
        s.bind(task);
        return s.step() ? s.integer(0) : -1;
    }
    void editHere(const QString &task, const QString &column, const QVariant &value)
    {
        Statement s(here.handle(), u"update Tasks set %1 = ? where Task = ?"_s.arg(column));
        s.bind(value);
        s.bind(task);
        QCOMPARE(s.execute(), 1);
    }
    void deleteHere(const QString &task)
    {
        Statement s(here.handle(), u"delete from Tasks where Task = ?"_s);
        s.bind(task);
        QCOMPARE(s.execute(), 1);
    }
    QStringList localTasks()
    {
        Statement s(here.handle(), u"select Task, Category, Notes, DueDateTime, Completed from Tasks"_s);
        QStringList all;
        while (s.step())
            all << summary({{u"Task"_s, s.value(0)}, {u"Category"_s, s.value(1)}, {u"Notes"_s, s.value(2)},
                            {u"DueDateTime"_s, s.value(3)}, {u"Completed"_s, s.value(4)}});
        all.sort();
        return all;
    }
};

} // namespace syncfixture
