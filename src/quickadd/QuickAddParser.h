#pragma once

#include "core/DateFormat.h"
#include "core/DateTime.h"
#include "editor/TaskRecord.h"
#include "quickadd/PhraseTable.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

class Clock;

namespace quickadd {

// What the line is read against: the present, the values of a new task that
// the line does not change, and the user's formats and categories.
struct Context
{
    const Clock *clock = nullptr;
    // A new task's values from the settings' defaults: category, priority,
    // occurrence with its frequency, valid hours and days, snooze time.
    TaskValues defaults;
    // The time of day of a task whose line names no time.
    QTime defaultTime{9, 0};
    FormatSettings formats;
    // "11/12" is 11 December when true, 12 November when false.
    bool dayBeforeMonth = true;
    // Categories that exist; "#wo" picks the first that begins so.
    QStringList categories;
    // Dates, times and repeats are understood only after an "@".
    bool datesOnlyAfterTrigger = false;
};

// A piece of the line that was understood, in characters of the line.
struct Span
{
    int start = 0;
    int length = 0;
    friend bool operator==(const Span &, const Span &) = default;
};

struct Result
{
    // The row a save stores (TaskCreated is the moment of the save).
    TaskValues values;
    // Whether the line named a day, a time or a repeat; without any of them
    // the default occurrence applies.
    bool timed = false;
    QList<Span> understood;
    // The task text is empty: nothing can be saved.
    bool empty() const { return values.task.isEmpty(); }
};

// Reads one line of words into a task.
Result parse(const QString &line, const Context &context, const PhraseTable &table = englishPhrases());

// The result in words, as the box shows it under the line:
// "Dentist — due Fri 11 Dec 15:00, alarm 15:00, once".
QString describe(const Result &result, const Context &context);

// Whether "11/12" means the 11th of December: from the order of day and
// month in the short date pattern, else from the locale's short date format.
bool dayBeforeMonth(const FormatSettings &formats, const QLocale &locale);

} // namespace quickadd
