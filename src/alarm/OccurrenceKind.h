#pragma once

#include <QString>
#include <QStringList>

// The recurrence kind of a task, as stored in its Occurrence column.
enum class OccurrenceKind {
    Scheduled,
    Immediate,
    Todo,
    Minutes,
    Hourly,
    Hours,
    Daily,
    Days,
    Weekly,
    Weeks,
    Monthly,
    Months,
    MonthDay,
    Yearly,
    Years,
    Unknown // any other stored text
};

// The fifteen Occurrence words in the order the editor offers them; the
// settings store the default kind as a position in this list.
const QStringList &occurrenceWords();

// The kind a stored word names (matched exactly), Unknown for any other text.
OccurrenceKind occurrenceKindFromWord(const QString &word);

// The stored word of a kind; empty for Unknown.
QString occurrenceWord(OccurrenceKind kind);
