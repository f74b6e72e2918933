// Times the recurrence advance for tasks whose dates lie far in the past and
// checks each result against stepping one step at a time.
//
// Output: one line per task with the median, 99th percentile and slowest
// time of one advance (2000 runs), and the steps and time that stepping one
// at a time takes for the same result. Exits with 1 when a result differs from stepping.

#include "alarm/Recurrence.h"

#include <QDate>
#include <QTime>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;

DateTime at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int ms = 0)
{
    return DateTime::fromDateAndTime(QDate(year, month, day), QTime(hour, minute, second, ms));
}

qint64 timeLine(DateTime value)
{
    return value.dayNumber() * 86400000 + value.msecsOfDay();
}

double microsecondsSince(Steady::time_point start)
{
    return std::chrono::duration<double, std::micro>(Steady::now() - start).count();
}

struct Timing
{
    double median = 0;
    double p99 = 0;
    double slowest = 0;
};

// Runs work repeatedly and summarises the time of one run.
template<typename Work>
Timing timeRuns(Work work)
{
    constexpr int Runs = 2000;
    std::vector<double> micros;
    micros.reserve(Runs);
    for (int i = 0; i < Runs; ++i) {
        const Steady::time_point start = Steady::now();
        work();
        micros.push_back(microsecondsSince(start));
    }
    std::sort(micros.begin(), micros.end());
    return {micros[Runs / 2], micros[Runs * 99 / 100], micros.back()};
}

struct Task
{
    const char *name;
    OccurrenceKind kind;
    int frequency;
    QString validHours;
    QString validDays;
    DateTime due;
    bool stepToo = true; // too many steps to take one at a time
};

struct Stepped
{
    DateTime due;
    DateTime alarm;
    qint64 steps = 0;
    double micros = 0;
};

DateTime stepOneAtATime(const Clock &clock, const Task &task, DateTime v, qint64 &steps)
{
    while (timeLine(clock.now()) >= timeLine(v)) {
        v = StepOccurrence(clock, task.kind, task.frequency, task.validHours, task.validDays, v);
        ++steps;
    }
    return v;
}

// The alarm keeps its lead before the due time: the due time steps until
// it lies after now taken lead later, and the alarm follows it.
Stepped stepAll(const Clock &clock, const Task &task, DateTime alarm)
{
    Stepped result;
    const Steady::time_point start = Steady::now();
    const qint64 lead = timeLine(task.due) - timeLine(alarm);
    const qint64 ahead = timeLine(clock.now()) + lead;
    const FixedClock later(DateTime::fromParts(ahead / 86400000, ahead % 86400000));
    result.due = stepOneAtATime(later, task, task.due, result.steps);
    result.alarm = result.due == task.due ? alarm : AddSeconds(result.due, -lead / 1000);
    result.micros = microsecondsSince(start);
    return result;
}

} // namespace

int main()
{
    const FixedClock clock(at(2026, 3, 13, 10, 7, 33, 250)); // a Friday
    const QString anyHours = QStringLiteral("00-23");
    const QString anyDay = QStringLiteral("MTWTFSS");
    const DateTime tenYearsAgo = at(2016, 3, 13, 10, 0, 0);

    const Task tasks[] = {
        {"Minutes F=1, due 10 years ago", OccurrenceKind::Minutes, 1, anyHours, anyDay, tenYearsAgo},
        {"Minutes F=15, due 10 years ago", OccurrenceKind::Minutes, 15, anyHours, anyDay, tenYearsAgo},
        {"Hourly 09-17 MTWTF__, 10 years ago", OccurrenceKind::Hourly, 0, QStringLiteral("09-17"),
         QStringLiteral("MTWTF__"), at(2016, 3, 13, 16, 20, 10)},
        {"Hourly 09-23 (no reset), 10 years ago", OccurrenceKind::Hourly, 0, QStringLiteral("09-23"), anyDay,
         at(2016, 3, 13, 16, 20, 10)},
        {"Hourly 23-05 every day, 10 years ago", OccurrenceKind::Hourly, 0, QStringLiteral("23-05"), anyDay,
         at(2016, 3, 13, 23, 0)},
        {"Daily MTWTF__, 10 years ago", OccurrenceKind::Daily, 0, anyHours, QStringLiteral("MTWTF__"), tenYearsAgo},
        {"Monthly from 31 Jan, 10 years ago", OccurrenceKind::Monthly, 0, anyHours, anyDay, at(2016, 1, 31, 10)},
        {"Months F=3 from 30 Nov, 10 years ago", OccurrenceKind::Months, 3, anyHours, anyDay, at(2015, 11, 30, 9)},
        {"Yearly from 29 Feb 2000", OccurrenceKind::Yearly, 0, anyHours, anyDay, at(2000, 2, 29, 8)},
        {"MonthDay last Friday", OccurrenceKind::MonthDay, -1, anyHours, QStringLiteral("____F__"),
         at(2026, 3, 6, 10)},
        {"Yearly on 31 Mar since year 1", OccurrenceKind::Yearly, 0, anyHours, anyDay, at(1, 3, 31, 10)},
        {"Minutes F=1 since year 1", OccurrenceKind::Minutes, 1, anyHours, anyDay, at(1, 1, 1, 0, 0, 0, 1), false},
    };

    std::printf("%-40s %9s %9s %9s %10s %12s %5s\n", "task (alarm 10 min before due)", "median", "p99", "max",
                "steps", "stepping", "same");
    std::printf("%-40s %9s %9s %9s %10s %12s\n", "", "us", "us", "us", "", "us");
    bool allSame = true;
    double sink = 0;
    for (const Task &task : tasks) {
        const DateTime alarm = AddSeconds(task.due, -600);
        DueAndAlarm fast;
        const Timing timing = timeRuns([&] {
            fast = AdvanceOccurrence(clock, task.due, alarm, task.kind, task.frequency, task.validHours,
                                     task.validDays);
            sink += fast.due.toDouble();
        });
        std::printf("%-40s %9.2f %9.2f %9.2f", task.name, timing.median, timing.p99, timing.slowest);
        if (task.stepToo) {
            const Stepped stepped = stepAll(clock, task, alarm);
            const bool same = stepped.due == fast.due && stepped.alarm == fast.alarm;
            allSame = allSame && same;
            std::printf(" %10lld %12.0f %5s\n", static_cast<long long>(stepped.steps), stepped.micros,
                        same ? "yes" : "NO");
        } else {
            std::printf(" %10s %12s %5s\n", "-", "-", "-");
        }
    }

    // The snooze step of the alarm scan, ten years behind.
    const Timing snooze = timeRuns([&] { sink += NextSnoozeTime(clock, 5, tenYearsAgo).toDouble(); });
    std::printf("%-40s %9.2f %9.2f %9.2f\n", "NextSnoozeTime 5 min, 10 years behind", snooze.median, snooze.p99,
                snooze.slowest);

    std::printf("(checksum %.3f)\n", sink);
    if (!allSame) {
        std::printf("MISMATCH: a fast result differs from stepping one step at a time\n");
        return 1;
    }
    return 0;
}
