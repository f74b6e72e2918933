// The advance reaches dates far ahead without taking every step. These tests
// hold it to exactly the result of stepping one step at a time, over many
// random tasks (fixed seed) and a few very long ways.

#include "AlarmTestSupport.h"

#include "alarm/Recurrence.h"

#include <QTest>

#include <random>

namespace {

constexpr qint64 MsPerDay = 86400000;

struct Task
{
    OccurrenceKind kind = OccurrenceKind::Unknown;
    int frequency = 1;
    QString validHours;
    QString validDays;
    DateTime due;
    DateTime alarm;
    DateTime now;
    int anchorDay = 0; // the day kept for the task; 0: none

    QByteArray describe() const
    {
        return (occurrenceWord(kind) + QStringLiteral(" F=%1 hours='%2' days='%3' due=%4 alarm=%5 now=%6 anchor=%7")
                                           .arg(frequency)
                                           .arg(validHours, validDays)
                                           .arg(due.toDouble(), 0, 'g', 17)
                                           .arg(alarm.toDouble(), 0, 'g', 17)
                                           .arg(now.toDouble(), 0, 'g', 17)
                                           .arg(anchorDay))
            .toLatin1();
    }
};

DateTime fromTimeLine(qint64 ms)
{
    const qint64 day = ms >= 0 ? ms / MsPerDay : -((-ms + MsPerDay - 1) / MsPerDay);
    return DateTime::fromParts(day, ms - day * MsPerDay);
}

// Steps v one step at a time while now (taken lead later) is at or after
// it, checking that every step moves forward. The task's kept day counts
// when v holds it where it starts.
DateTime stepByStep(const Task &task, DateTime v, qint64 lead = 0)
{
    const FixedClock clock(fromTimeLine(timeLine(task.now) + lead));
    const int anchorDay = AnchorDayHeldBy(task.kind, task.anchorDay, v);
    while (timeLine(clock.now()) >= timeLine(v)) {
        const DateTime next = StepOccurrence(clock, task.kind, task.frequency, task.validHours, task.validDays, v,
                                             anchorDay);
        if (timeLine(next) <= timeLine(v))
            qFatal("a step did not move forward: %s", task.describe().constData());
        v = next;
    }
    return v;
}

void checkAgainstStepping(const Task &task)
{
    DateTime due;
    DateTime alarm;
    if (timeLine(task.alarm) <= timeLine(task.due)) {
        // The alarm keeps its lead before the due time.
        const qint64 lead = timeLine(task.due) - timeLine(task.alarm);
        due = stepByStep(task, task.due, lead);
        alarm = due == task.due ? task.alarm : fromTimeLine(timeLine(due) - lead);
    } else {
        due = stepByStep(task, task.due);
        alarm = stepByStep(task, task.alarm);
        if (timeLine(alarm) > timeLine(due))
            alarm = due;
    }

    const FixedClock clock(task.now);
    const DueAndAlarm fast = AdvanceOccurrence(clock, task.due, task.alarm, task.kind, task.frequency,
                                               task.validHours, task.validDays, task.anchorDay);
    QVERIFY2(fast.due == due, task.describe().constData());
    QVERIFY2(fast.alarm == alarm, task.describe().constData());
}

class RandomTasks
{
public:
    explicit RandomTasks(quint64 seed) : m_random(seed) {}

    qint64 between(qint64 low, qint64 high) { return std::uniform_int_distribution<qint64>(low, high)(m_random); }
    bool chance(int percent) { return between(1, 100) <= percent; }

    Task make(OccurrenceKind kind)
    {
        Task task;
        task.kind = kind;
        task.frequency = frequency(kind);
        task.validHours = validHours();
        task.validDays = validDays();

        // Any time of day, to the millisecond, between the years 1 and 9000;
        // now a random number of steps later.
        static const qint64 firstDay = at(1, 1, 1).dayNumber();
        static const qint64 lastDay = at(9000, 1, 1).dayNumber();
        const qint64 due = between(firstDay, lastDay) * MsPerDay + between(0, MsPerDay - 1);
        const qint64 step = kind == OccurrenceKind::MonthDay ? 0 : approximateStep(kind, task.frequency);
        const qint64 gap = between(0, 1200) * step + between(0, kind == OccurrenceKind::MonthDay ? 400 * MsPerDay : step);
        const qint64 now = std::min(due + gap, lastDay * MsPerDay);
        const qint64 alarm = due + between(-3 * MsPerDay, MsPerDay);

        task.due = fromTimeLine(due);
        task.alarm = fromTimeLine(std::max(alarm, firstDay * MsPerDay));
        task.now = fromTimeLine(now);
        anchor(task);
        return task;
    }

private:

    // A kept day for most tasks, of every kind (only those that step by
    // months or years use it): the due date's own day; a day beyond the end
    // of the short month the due date is the last day of; or any day, which
    // the due date mostly does not hold.
    void anchor(Task &task)
    {
        const qint64 pick = between(1, 100);
        const QDate date = task.due.date();
        if (pick <= 30) {
            task.anchorDay = date.day();
        } else if (pick <= 60) {
            const QDate last(date.year(), date.month(), date.daysInMonth());
            const qint64 shift = timeLine(DateTime::fromDateAndTime(last, QTime())) - timeLine(DateTime::fromDateAndTime(date, QTime()));
            task.due = fromTimeLine(timeLine(task.due) + shift);
            task.alarm = fromTimeLine(timeLine(task.alarm) + shift);
            task.now = fromTimeLine(timeLine(task.now) + shift);
            task.anchorDay = int(between(last.day(), 31));
        } else if (pick <= 80) {
            task.anchorDay = int(between(1, 31));
        }
    }

    int frequency(OccurrenceKind kind)
    {
        if (kind == OccurrenceKind::MonthDay)
            return int(between(-6, 6));
        if (chance(10))
            return int(between(-3, 0));
        return int(chance(50) ? between(1, 10) : between(1, 999));
    }

    QString validHours()
    {
        static const QStringList odd = {QStringLiteral("00-23"), QStringLiteral("09-23"), QStringLiteral("23-05"),
                                        QStringLiteral("10-08"), QStringLiteral("17-17"), QStringLiteral("00-00"),
                                        QString(),               QStringLiteral("ab-cd"), QStringLiteral("8-17"),
                                        QStringLiteral(" 09-17 "), QStringLiteral("30-12"), QStringLiteral("12-99")};
        if (chance(40))
            return odd.at(between(0, odd.size() - 1));
        return QStringLiteral("%1-%2").arg(between(0, 23), 2, 10, QLatin1Char('0')).arg(between(0, 23), 2, 10,
                                                                                         QLatin1Char('0'));
    }

    QString validDays()
    {
        static const QStringList odd = {QString(), QStringLiteral("_______"), QStringLiteral("mtwtf__"),
                                        QStringLiteral("XXXXXXX"), QStringLiteral(" ____F__ ")};
        if (chance(15))
            return odd.at(between(0, odd.size() - 1));
        const qint64 bits = between(0, 127);
        QString days = QStringLiteral("MTWTFSS");
        for (int position = 0; position < 7; ++position) {
            if (!(bits & (1 << position)))
                days[position] = QLatin1Char('_');
        }
        return days;
    }

    static qint64 approximateStep(OccurrenceKind kind, int frequency)
    {
        const qint64 f = std::max(frequency, 1);
        switch (kind) {
        case OccurrenceKind::Minutes: return f * 60000;
        case OccurrenceKind::Hourly: return 3600000;
        case OccurrenceKind::Hours: return f * 3600000;
        case OccurrenceKind::Daily: return MsPerDay;
        case OccurrenceKind::Days: return f * MsPerDay;
        case OccurrenceKind::Weekly: return 7 * MsPerDay;
        case OccurrenceKind::Weeks: return 7 * f * MsPerDay;
        case OccurrenceKind::Monthly: return 30 * MsPerDay;
        case OccurrenceKind::Months: return 30 * f * MsPerDay;
        case OccurrenceKind::Yearly: return 365 * MsPerDay;
        case OccurrenceKind::Years: return 365 * f * MsPerDay;
        default: return MsPerDay;
        }
    }

    std::mt19937_64 m_random;
};

} // namespace

class TestRecurrenceFastPath : public QObject
{
    Q_OBJECT
private slots:
    void randomTasks_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *kind : {"Minutes", "Hourly", "Hours", "Daily", "Days", "Weekly", "Weeks", "Monthly",
                                 "Months", "MonthDay", "Yearly", "Years"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }
    void randomTasks()
    {
        QFETCH(QString, kind);
        RandomTasks random(qHash(kind) ^ 20260313);
        for (int i = 0; i < 150; ++i) {
            checkAgainstStepping(random.make(occurrenceKindFromWord(kind)));
            if (QTest::currentTestFailed())
                return;
        }
    }

    void longWays_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("frequency");
        QTest::addColumn<QString>("validHours");
        QTest::addColumn<QString>("validDays");
        QTest::addColumn<DateTime>("due");
        QTest::addColumn<DateTime>("now");
        const QString anyHours = QStringLiteral("00-23");
        const QString anyDay = QStringLiteral("MTWTFSS");
        // The day of the month never shrinks: all 400 years of month lengths matter.
        QTest::newRow("Yearly on 31 March since year 1") << QStringLiteral("Yearly") << 0 << anyHours << anyDay
                                                         << at(1, 3, 31, 10) << at(9000, 6, 1);
        QTest::newRow("Years 4 from a leap day through 100") << QStringLiteral("Years") << 4 << anyHours << anyDay
                                                             << at(4, 2, 29, 10) << at(8999, 1, 1);
        QTest::newRow("Months 48 from a leap day through 1700") << QStringLiteral("Months") << 48 << anyHours
                                                                << anyDay << at(1604, 2, 29) << at(2030, 1, 1);
        QTest::newRow("Months 4800 keep the leap day") << QStringLiteral("Months") << 4800 << anyHours << anyDay
                                                       << at(2000, 2, 29, 8) << at(8999, 1, 1);
        QTest::newRow("Monthly on the 31st since year 1") << QStringLiteral("Monthly") << 0 << anyHours << anyDay
                                                          << at(1, 1, 31, 23, 59, 59, 999) << at(2026, 3, 13);
        QTest::newRow("Hourly office hours for 30 years") << QStringLiteral("Hourly") << 0 << QStringLiteral("09-17")
                                                          << QStringLiteral("MTWTF__") << at(1996, 5, 4, 7, 59, 1, 7)
                                                          << at(2026, 3, 13, 12, 30);
        QTest::newRow("Hourly across midnight for 30 years") << QStringLiteral("Hourly") << 0
                                                             << QStringLiteral("23-05") << QStringLiteral("M_W__S_")
                                                             << at(1996, 5, 4, 7, 59, 1, 7) << at(2026, 3, 13, 3, 0);
        // From 23:00 the hours run past midnight, so the next reset skips a
        // day: the way repeats only every fortnight.
        QTest::newRow("Hourly from 23:00 every day for a year") << QStringLiteral("Hourly") << 0
                                                                << QStringLiteral("23-05") << anyDay
                                                                << at(2025, 3, 3, 23) << at(2026, 3, 13, 12, 0);
        QTest::newRow("Daily two days a week for a century") << QStringLiteral("Daily") << 0 << anyHours
                                                             << QStringLiteral("_T___S_") << at(1926, 1, 1, 6, 30)
                                                             << at(2026, 3, 13, 6, 30);
        QTest::newRow("Minutes 7 for two years") << QStringLiteral("Minutes") << 7 << anyHours << anyDay
                                                 << at(2024, 1, 1, 0, 0, 0, 1) << at(2026, 1, 1);
    }
    void longWays()
    {
        QFETCH(QString, kind);
        QFETCH(int, frequency);
        QFETCH(QString, validHours);
        QFETCH(QString, validDays);
        QFETCH(DateTime, due);
        QFETCH(DateTime, now);
        Task task{occurrenceKindFromWord(kind), frequency, validHours, validDays, due, AddSeconds(due, -600), now};
        checkAgainstStepping(task);
    }

    // Long ways of tasks that keep their day: every month's length and
    // every leap year counts.
    void anchoredLongWays_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("frequency");
        QTest::addColumn<int>("anchorDay");
        QTest::addColumn<DateTime>("due");
        QTest::addColumn<DateTime>("now");
        QTest::newRow("Monthly on the 31st since year 1") << QStringLiteral("Monthly") << 1 << 31
                                                          << at(1, 1, 31, 23, 59, 59, 999) << at(2026, 3, 13);
        QTest::newRow("Monthly on the 31st from a 30th") << QStringLiteral("Monthly") << 1 << 31 << at(1, 4, 30, 8)
                                                         << at(8999, 12, 1);
        QTest::newRow("Months 7 on the 30th") << QStringLiteral("Months") << 7 << 30 << at(1600, 2, 29, 8)
                                              << at(2400, 3, 1);
        QTest::newRow("Yearly on 29 February") << QStringLiteral("Yearly") << 1 << 29 << at(1601, 2, 28, 12)
                                               << at(8999, 3, 1);
        QTest::newRow("Years 3 on 29 February") << QStringLiteral("Years") << 3 << 29 << at(2024, 2, 29, 12)
                                                << at(8999, 3, 1);
    }
    void anchoredLongWays()
    {
        QFETCH(QString, kind);
        QFETCH(int, frequency);
        QFETCH(int, anchorDay);
        QFETCH(DateTime, due);
        QFETCH(DateTime, now);
        Task task{occurrenceKindFromWord(kind), frequency, QStringLiteral("00-23"), QStringLiteral("MTWTFSS"),
                  due, AddSeconds(due, -600), now, anchorDay};
        checkAgainstStepping(task);
    }

    void snoozeAgainstStepping()
    {
        RandomTasks random(4711);
        for (int i = 0; i < 300; ++i) {
            const qint64 minutes = random.between(1, 60);
            const DateTime now = at(2026, 3, 13, 10, 0, 30, 250);
            const DateTime start = AddSeconds(now, -random.between(0, 5000 * minutes * 60));
            DateTime expected = start;
            while (timeLine(now) >= timeLine(expected))
                expected = AddSeconds(expected, minutes * 60);
            QCOMPARE(NextSnoozeTime(FixedClock(now), minutes, start), expected);
        }
    }
};

QTEST_GUILESS_MAIN(TestRecurrenceFastPath)
#include "tst_RecurrenceFastPath.moc"
