#pragma once

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// The words and phrases the quick-add line understands in one language. The
// parser knows only the slot kinds and the actions below; every word and
// every word order lives in a table, so another language is another table.
namespace quickadd {

// What a matched phrase does (the parser's code for each).
enum class Action {
    Today,          // today
    Tonight,        // today in the evening
    Tomorrow,       // tomorrow
    Weekday,        // {weekday}: the next such day, never today
    NextWeekday,    // next {weekday}: the one after that
    InOffset,       // in {n} {unit}: a moment (minutes, hours) or a day
    DayMonth,       // {daynum} {month} or {month} {daynum}
    Date,           // {date}: the user's date format or day and month in numbers
    Time,           // {time} or at {hour}
    Daily,          // every day
    Weekdays,       // every working day
    OnDays,         // every {weekdays}
    Every,          // every {n}? {unit}; the rule's unit when the pattern has none
    MonthlyOnDay,   // every month on the {daynum}
    HourlyWindow,   // every hour from {hour} to {hour}
    MonthDay,       // {ordinal} {weekday} of every month
    RemindBefore,   // remind me {n} {unit} before
};

enum class Unit { None, Minute, Hour, Day, Week, Month, Year };

// One phrase: a pattern of space-separated elements, each matching one
// token (or, for {time} and {weekdays}, a few):
//   word|other   one of these words (compared in lower case)
//   element?     the element may be left out
//   {n}          a count: digits or a number word
//   {unit}       a unit word
//   {weekday}    a weekday name; {weekdays} several, joined by the "and" words
//   {month}      a month name
//   {daynum}     a day of the month in digits, with or without an ordinal ending
//   {ordinal}    a position in the month (first ... fourth, last)
//   {time}       a time of day written as one ("3pm", "15:00", "noon")
//   {hour}       a time of day or a bare hour (after a word such as "at")
//   {date}       a date in the user's format or in numbers ("11/12")
struct Rule
{
    QString pattern;
    Action action;
    Unit unit = Unit::None;
};

struct PhraseTable
{
    // Weekday names, Monday first: each entry lists the names of one day.
    std::vector<QStringList> weekdays;
    // Month names, January first.
    std::vector<QStringList> months;
    std::vector<std::pair<QString, Unit>> units;
    std::vector<std::pair<QString, int>> numberWords;
    // Ordinal words and their position (negative from the end of the month).
    std::vector<std::pair<QString, int>> ordinals;
    // Endings that may follow a day number ("1st", "2nd").
    QStringList ordinalEndings;
    QStringList amWords;
    QStringList pmWords;
    QStringList noonWords;
    QStringList midnightWords;
    // Words that join weekdays in a list ("monday and thursday").
    QStringList andWords;
    // The hour "tonight" means, and the hours a bare "tonight at 9" shifts to.
    int eveningHour = 20;
    // Phrases, tried at every token; the longest match wins, then the first.
    std::vector<Rule> rules;
};

const PhraseTable &englishPhrases();

} // namespace quickadd
