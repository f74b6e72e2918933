#pragma once

#include <QString>

#include <memory>
#include <vector>

// The date and time pattern language split into tokens. Formatting and
// reading back both work on these tokens, so the two agree on what every
// letter of a pattern means.
namespace datepattern {

enum class Kind : quint8 {
    Text,           // literal text (quoted or a character without meaning)
    Day,            // width 1 or 2 digits
    DayName,        // width 1 abbreviated, 2 full
    Month,          // width 1 or 2 digits
    MonthName,      // width 1 abbreviated, 2 full
    Year,           // width 2 or 4 digits
    Hour,           // width 1 or 2 digits; twelveHour when an am/pm token follows
    Minute,         // width 1 or 2 digits
    Second,         // width 1 or 2 digits
    Millisecond,    // width 1 to 3 digits
    EraYear,        // width 1 or 2 digits
    EraName,
    AmPm,           // "am/pm"; text keeps the letters as written, for their case
    AP,             // "a/p"; text as for AmPm
    AmPmLocale,     // "ampm": the locale's morning and afternoon texts
    DateSeparator,
    TimeSeparator,
    ShortDate,      // "ddddd": the short date pattern
    LongDate,       // "dddddd": the long date pattern
    ShortTime,      // "t": the short time pattern
    LongTime,       // "tt": the long time pattern
    DateAndTime,    // "c"
};

struct Token
{
    Kind kind = Kind::Text;
    quint8 width = 0;
    bool twelveHour = false;
    QString text;
};

using Tokens = std::vector<Token>;

// Splits a pattern into tokens. Never fails: whatever is not a token is text.
Tokens tokenize(const QString &pattern);

// tokenize() through a small per-thread cache, since the same few patterns
// are formatted over and over.
std::shared_ptr<const Tokens> cachedTokens(const QString &pattern);

// Tokens that stand for another pattern expand at most this many levels
// deep, so patterns that name themselves ("ddddd" inside the short date
// pattern) end instead of recursing for ever.
constexpr int MaxNesting = 2;

// True for the tokens that stand for another whole pattern.
inline bool isExpansion(Kind kind)
{
    return kind == Kind::ShortDate || kind == Kind::LongDate || kind == Kind::ShortTime
           || kind == Kind::LongTime || kind == Kind::DateAndTime;
}

} // namespace datepattern
