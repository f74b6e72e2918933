#pragma once

#include <QString>

#include <array>

// What the editor offers for each occurrence word, and the text forms of the
// working values that the occurrence dialogs edit. No widgets here.
namespace occurrence {

// The kinds edited in one of the two occurrence dialogs (the settings button
// is shown for them).
bool usesSettings(const QString &kind);
// The kinds that recur, so "Apply Occurrence" can move them on.
bool recurs(const QString &kind);
// The snooze controls and the Settings page are off for kinds the alarm
// scan never prompts.
bool isPrompted(const QString &kind);

// Which sections of the occurrence settings dialog a kind uses.
bool usesFrequency(const QString &kind);
bool usesValidHours(const QString &kind);
bool usesValidDays(const QString &kind);

// "08-17" from 8 and 17.
QString validHoursText(int from, int to);
// The two hours of a valid-hours text (characters 1-2 and 4-5); false when
// either is not a number.
bool parseValidHours(const QString &text, int &from, int &to);

// Seven flags, Monday first, to and from the weekday mask "MTWTF__".
using WeekdayFlags = std::array<bool, 7>;
QString validDaysText(const WeekdayFlags &days);
WeekdayFlags validDaysFlags(const QString &text);

// The weekday (0 = Monday to 6 = Sunday) a MonthDay mask names: Sunday is
// looked at first, then Monday to Saturday; Monday when none or empty.
int monthDayWeekday(const QString &validDays);

// The positions in the month a MonthDay frequency can take, in the order of
// the dialog's buttons: First to Fourth, then Last to Fourth Last.
inline constexpr std::array<int, 8> MonthDayPositions = {1, 2, 3, 4, -1, -2, -3, -4};

// What a working value that a task or the settings hold becomes in the
// editor: a frequency of 0 is 1, hours or days too short to be read are the
// defaults.
int workingFrequency(int stored);
QString workingValidHours(const QString &stored);
QString workingValidDays(const QString &stored);

// The valid days a new task of the kind gets when the user chose none:
// every day for "Daily" and "Hourly", Monday ("M______") for the others.
QString defaultValidDays(const QString &kind);

// What a task's repeat does, in words: "Every day", "Mon–Fri, 09:00–17:00,
// every hour", "2nd Tuesday of every month". Empty for a kind that does not
// repeat.
QString ruleInWords(const QString &kind, int frequency, const QString &validHours, const QString &validDays);

// The repeat values one editor works on; each editor holds its own.
struct Working
{
    int frequency = 1;
    QString validHours = QStringLiteral("00-23");
    QString validDays = QStringLiteral("M______");
};

} // namespace occurrence
