// Reading date-time text back with the patterns that wrote it.

#include "core/DateFormat.h"

#include "core/DatePattern.h"
#include "core/Error.h"

#include <QCoreApplication>

#include <optional>

using namespace datepattern;

namespace {

// Copies a pattern's tokens with the tokens that stand for other patterns
// replaced by those patterns' tokens ("c" becomes short date, blank, long
// time), nesting no deeper than formatting does.
void flatten(const QString &pattern, const FormatSettings &f, int depth, Tokens &out)
{
    const auto expand = [&](const QString &inner) {
        if (depth < MaxNesting)
            flatten(inner, f, depth + 1, out);
    };
    for (const Token &t : *cachedTokens(pattern)) {
        switch (t.kind) {
        case Kind::ShortDate:
            expand(f.shortDateFormat);
            break;
        case Kind::LongDate:
            expand(f.longDateFormat);
            break;
        case Kind::ShortTime:
            expand(f.shortTimeFormat);
            break;
        case Kind::LongTime:
            expand(f.longTimeFormat);
            break;
        case Kind::DateAndTime:
            if (depth < MaxNesting) {
                expand(f.shortDateFormat);
                out.push_back(Token{Kind::Text, 0, false, QStringLiteral(" ")});
                expand(f.longTimeFormat);
            }
            break;
        default:
            out.push_back(t);
        }
    }
}

bool isNumber(Kind kind)
{
    switch (kind) {
    case Kind::Day:
    case Kind::Month:
    case Kind::Year:
    case Kind::Hour:
    case Kind::Minute:
    case Kind::Second:
    case Kind::Millisecond:
    case Kind::EraYear:
        return true;
    default:
        return false;
    }
}

struct Fields
{
    std::optional<int> year, month, day;
    int hour = 0, minute = 0, second = 0, msec = 0;
    std::optional<bool> pm;
    bool beforeChrist = false;
};

// Matches text against one flattened pattern, left to right. Numbers take
// as many digits as they may, except that a number followed directly by
// another takes exactly the width the pattern writes ("yyyymmdd").
class Matcher
{
public:
    Matcher(QStringView text, const FormatSettings &f) : m_text(text), m_f(f) {}

    std::optional<Fields> match(const Tokens &tokens)
    {
        m_pos = 0;
        Fields fields;
        for (size_t i = 0; i < tokens.size(); ++i) {
            const bool numberFollows = i + 1 < tokens.size() && isNumber(tokens[i + 1].kind);
            if (!matchToken(tokens[i], numberFollows, fields))
                return std::nullopt;
        }
        skipSpace();
        if (m_pos != m_text.size())
            return std::nullopt;
        return fields;
    }

private:
    bool matchToken(const Token &t, bool numberFollows, Fields &out)
    {
        switch (t.kind) {
        case Kind::Text:
            return matchText(t.text);
        case Kind::DateSeparator:
            return matchChar(m_f.dateSeparator);
        case Kind::TimeSeparator:
            return matchChar(m_f.timeSeparator);
        case Kind::DayName:
            return longestOf({&m_f.longDayNames, &m_f.shortDayNames}) >= 0;
        case Kind::MonthName: {
            const int index = longestOf({&m_f.longMonthNames, &m_f.shortMonthNames});
            if (index < 0)
                return false;
            out.month = index % 12 + 1;
            return true;
        }
        case Kind::AmPm:
            return matchMeridiem(QStringLiteral("am"), QStringLiteral("pm"), out);
        case Kind::AP:
            return matchMeridiem(QStringLiteral("a"), QStringLiteral("p"), out);
        case Kind::AmPmLocale:
            return matchMeridiem(m_f.timeAMString, m_f.timePMString, out);
        case Kind::EraName: {
            const QStringList eras{QStringLiteral("A.D."), QStringLiteral("AD"), QStringLiteral("B.C."),
                                   QStringLiteral("BC")};
            const int index = longestOf({&eras});
            out.beforeChrist = index >= 2;
            return index >= 0;
        }
        default:
            return matchNumber(t, numberFollows, out);
        }
    }

    bool matchNumber(const Token &t, bool numberFollows, Fields &out)
    {
        int most = t.kind == Kind::Millisecond ? 3 : 2;
        if (t.kind == Kind::Year || t.kind == Kind::EraYear)
            most = 6;
        int exact = 0;
        if (numberFollows && (t.width >= 2 || t.kind == Kind::Year))
            exact = t.width;
        int value = 0;
        int digits = 0;
        while (m_pos < m_text.size() && m_text.at(m_pos).isDigit() && m_text.at(m_pos).unicode() < 128
               && digits < (exact ? exact : most)) {
            value = value * 10 + (m_text.at(m_pos).unicode() - '0');
            ++digits;
            ++m_pos;
        }
        if (digits == 0 || (exact && digits != exact))
            return false;
        switch (t.kind) {
        case Kind::Day:
            out.day = value;
            break;
        case Kind::Month:
            out.month = value;
            break;
        case Kind::Year:
            // Two digits read as 1950 to 2049, whatever width the pattern
            // writes the year in.
            if (digits <= 2)
                value += value < 50 ? 2000 : 1900;
            if (value > 9999)
                return false;
            out.year = value;
            break;
        case Kind::EraYear:
            if (value > 9999)
                return false;
            out.year = value;
            break;
        case Kind::Hour:
            out.hour = value;
            break;
        case Kind::Minute:
            out.minute = value;
            break;
        case Kind::Second:
            out.second = value;
            break;
        default:
            out.msec = value;
            break;
        }
        return true;
    }

    bool matchText(const QString &text)
    {
        for (const QChar c : text) {
            if (c.isSpace())
                skipSpace();
            else if (!matchChar(c))
                return false;
        }
        return true;
    }

    bool matchChar(QChar c)
    {
        if (m_pos < m_text.size() && m_text.at(m_pos).toCaseFolded() == c.toCaseFolded()) {
            ++m_pos;
            return true;
        }
        return false;
    }

    bool matchMeridiem(const QString &am, const QString &pm, Fields &out)
    {
        const QStringList both{am, pm};
        const int index = longestOf({&both});
        if (index < 0)
            return false;
        out.pm = index == 1;
        return true;
    }

    // The index (counted over the lists one after the other) of the longest
    // entry that the text continues with, compared without regard to case;
    // -1 when none does.
    int longestOf(std::initializer_list<const QStringList *> lists)
    {
        int best = -1;
        qsizetype bestLength = 0;
        int index = 0;
        const QStringView rest = m_text.mid(m_pos);
        for (const QStringList *list : lists) {
            for (const QString &entry : *list) {
                if (entry.size() > bestLength && rest.startsWith(entry, Qt::CaseInsensitive)) {
                    best = index;
                    bestLength = entry.size();
                }
                ++index;
            }
        }
        m_pos += bestLength;
        return best;
    }

    void skipSpace()
    {
        while (m_pos < m_text.size() && m_text.at(m_pos).isSpace())
            ++m_pos;
    }

    QStringView m_text;
    const FormatSettings &m_f;
    qsizetype m_pos = 0;
};

std::optional<DateTime> toDateTime(const Fields &f, const QDate &referenceDate)
{
    // A time alone is a time on day 0, or on the reference date when the
    // caller gives one (a short date pattern without date letters).
    QDate date = referenceDate.isValid() ? referenceDate : dateTimeEpoch();
    if (f.year || f.month || f.day) {
        if (!f.year && !referenceDate.isValid())
            return std::nullopt;
        int year = f.year ? *f.year : referenceDate.year();
        if (f.beforeChrist)
            year = -year;
        date = QDate(year, f.month.value_or(1), f.day.value_or(1));
        if (!date.isValid())
            return std::nullopt;
    }
    int hour = f.hour;
    if (f.pm) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (*f.pm ? 12 : 0);
    }
    const QTime time(hour, f.minute, f.second, f.msec);
    if (!time.isValid())
        return std::nullopt;
    return DateTime::fromDateAndTime(date, time);
}

} // namespace

DateTime parseDateTime(const QString &text, const FormatSettings &formats)
{
    return parseDateTime(text, formats, QDate());
}

DateTime parseDateTime(const QString &text, const FormatSettings &formats, const QDate &referenceDate)
{
    const QString trimmed = text.trimmed();
    if (!trimmed.isEmpty()) {
        // The forms the program writes, the usual one ("c") first.
        static const char *const Candidates[] = {"ddddd tt", "ddddd", "ddddd t", "dddddd tt",
                                                 "dddddd", "dddddd t", "tt", "t"};
        Matcher matcher(trimmed, formats);
        for (const char *candidate : Candidates) {
            Tokens tokens;
            flatten(QLatin1String(candidate), formats, 0, tokens);
            if (tokens.empty())
                continue;
            if (const auto fields = matcher.match(tokens)) {
                if (const auto value = toDateTime(*fields, referenceDate))
                    return *value;
            }
        }
    }
    throw Error(QCoreApplication::translate("DateFormat", "'%1' is not a valid date and time").arg(text));
}
