#include "TaskFixture.h"

#include "core/DateTime.h"
#include "store/Connection.h"

#include <QDir>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {
const QStringList words = {u"call"_s, u"send"_s, u"the"_s, u"report"_s, u"invoice"_s, u"dentist"_s, u"meeting"_s,
                           u"about"_s, u"project"_s, u"renew"_s, u"insurance"_s, u"for"_s, u"garden"_s, u"review"_s,
                           u"budget"_s, u"with"_s, u"team"_s, u"quarterly"_s, u"water"_s, u"plants"_s, u"book"_s,
                           u"flight"_s, u"to"_s, u"conference"_s, u"pay"_s, u"rent"_s, u"backup"_s, u"server"_s};

QString sentence(QRandomGenerator &random, int minLength, int maxLength)
{
    const int target = random.bounded(minLength, maxLength + 1);
    QString text;
    while (text.size() < target)
        text += words.at(random.bounded(int(words.size()))) + u' ';
    return text.left(target).trimmed();
}
}

QString makeTaskDatabase(const QString &folder, int taskCount)
{
    QDir().mkpath(folder);
    const QString file = QDir(folder).filePath(u"Nudgewick.mdb"_s);
    Connection connection;
    connection.setDatabaseFile(file);
    connection.open();
    QSqlQuery count(connection.database());
    count.exec(u"select count(*) from Tasks"_s);
    if (count.next() && count.value(0).toInt() == taskCount)
        return file;
    count.finish();

    const QStringList categories = {u"None"_s, u"Work"_s, u"Home"_s, u"Health"_s, u"Finance"_s, u"Garden"_s,
                                    u"Family"_s, u"Car"_s};
    const QStringList occurrences = {u"Scheduled"_s, u"Immediate"_s, u"Todo"_s, u"Minutes"_s, u"Hourly"_s,
                                     u"Hours"_s, u"Daily"_s, u"Days"_s, u"Weekly"_s, u"Weeks"_s, u"Monthly"_s,
                                     u"Months"_s, u"MonthDay"_s, u"Yearly"_s, u"Years"_s};
    QRandomGenerator random(20261210);
    const double today = DateTime::fromQDateTime(QDateTime::currentDateTime()).toDouble();
    connection.transaction([&] {
        QSqlQuery clear(connection.database());
        clear.exec(u"delete from Tasks"_s);
        QSqlQuery insert(connection.database());
        insert.prepare(u"insert into Tasks (Task, TaskCreated, Category, Priority, Occurrence, Frequency, ValidHours, "
                       "ValidDays, DueDateTime, AlarmDateTime, Completed, Notes, SnoozeTime, AutoSnooze, "
                       "RepeatAutoSnooze, AutoSnoozeAction, PercentageComplete, CompletedDate) "
                       "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s);
        for (int i = 0; i < taskCount; ++i) {
            const bool completed = random.bounded(2) == 0;
            // Open tasks are mostly in the future; a handful are due.
            const double due = completed ? today - random.bounded(730.0) : today + 0.01 + random.bounded(730.0);
            const QVariantList values = {
                sentence(random, 20, 120), today - random.bounded(1000.0), categories.at(random.bounded(8)),
                random.bounded(1, 11), occurrences.at(random.bounded(15)), random.bounded(1, 10), u"00-23"_s,
                u"MTWTF__"_s, due, due - 1.0 / 96, completed ? 1 : 0,
                random.bounded(10) < 6 ? QString() : sentence(random, 20, 400), 5, 0, 0, QVariant(),
                completed ? 100 : 0, completed ? QVariant(due) : QVariant()};
            for (const QVariant &v : values)
                insert.addBindValue(v);
            insert.exec();
        }
    });
    return file;
}
