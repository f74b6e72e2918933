// Reading a line of words into a task: tokens, the phrase rules of a table,
// and the dates they give.

#include "quickadd/QuickAddParser.h"

#include "alarm/DateArithmetic.h"
#include "alarm/OccurrenceKind.h"
#include "alarm/Recurrence.h"
#include "alarm/RecurrenceRule.h"
#include "core/Clock.h"
#include "core/Error.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <optional>

using namespace Qt::StringLiterals;

namespace quickadd {
namespace {

constexpr QChar PriorityMark = u'!';
constexpr QChar CategoryMark = u'#';
constexpr QChar TriggerMark = u'@';
const QString AllDays = u"MTWTFSS"_s;
const QString DayLetters = u"MTWTFSS"_s;

struct Token
{
    int start = 0;  // in the line, the trigger mark included
    int length = 0; // the word and a leading trigger mark, without trailing punctuation
    QString word;   // lower case, without trigger mark and trailing punctuation
    bool trigger = false;
};

std::vector<Token> tokenize(const QString &line)
{
    std::vector<Token> tokens;
    int i = 0;
    const int n = int(line.size());
    while (i < n) {
        while (i < n && line.at(i).isSpace())
            ++i;
        if (i >= n)
            break;
        const int start = i;
        while (i < n && !line.at(i).isSpace())
            ++i;
        QString raw = line.mid(start, i - start);
        // Trailing punctuation belongs to the sentence, not to the word; a
        // final full stop too, unless the word is made of dotted parts ("a.m.").
        while (!raw.isEmpty() && QStringLiteral(",;:!?").contains(raw.back()) && raw.size() > 1)
            raw.chop(1);
        if (raw.size() > 1 && raw.endsWith(u'.') && !raw.first(raw.size() - 1).contains(u'.'))
            raw.chop(1);
        Token t{start, int(raw.size()), raw.toLower(), false};
        if (t.word.startsWith(TriggerMark)) {
            t.trigger = true;
            t.word.remove(0, 1);
        }
        tokens.push_back(t);
    }
    return tokens;
}

// One element of a rule's pattern.
struct Element
{
    QStringList words; // literal alternatives; empty for a slot
    QString slot;      // "n", "unit", ...
    bool optional = false;
};

std::vector<Element> compile(const QString &pattern)
{
    std::vector<Element> elements;
    for (QString part : pattern.split(u' ', Qt::SkipEmptyParts)) {
        Element e;
        if (part.endsWith(u'?')) {
            e.optional = true;
            part.chop(1);
        }
        if (part.startsWith(u'{') && part.endsWith(u'}'))
            e.slot = part.mid(1, part.size() - 2);
        else
            e.words = part.split(u'|');
        elements.push_back(e);
    }
    return elements;
}

// What the slots of a match captured.
struct Captures
{
    QList<int> numbers;
    QList<int> dayNumbers;
    QList<int> weekdays; // 1 = Monday
    int month = 0;
    QList<QTime> times;
    QList<bool> meridiem; // the time said am or pm
    Unit unit = Unit::None;
    int ordinal = 0;
    QDate date;
};

class Matcher
{
public:
    Matcher(const std::vector<Token> &tokens, const PhraseTable &table, const Context &context)
        : m_tokens(tokens), m_table(table), m_context(context)
    {
    }

    // Tokens the elements from `e` on take from token `i` on; -1 when they do not match.
    int match(const std::vector<Element> &elements, size_t e, int i, int end, Captures &captures) const
    {
        if (e == elements.size())
            return 0;
        const Element &element = elements[e];
        if (element.optional) {
            Captures with = captures;
            const int taken = one(element, i, end, with);
            if (taken > 0) {
                const int rest = match(elements, e + 1, i + taken, end, with);
                if (rest >= 0) {
                    captures = with;
                    return taken + rest;
                }
            }
            return match(elements, e + 1, i, end, captures);
        }
        const int taken = one(element, i, end, captures);
        if (taken <= 0)
            return -1;
        const int rest = match(elements, e + 1, i + taken, end, captures);
        return rest < 0 ? -1 : taken + rest;
    }

private:
    const QString &word(int i) const { return m_tokens[size_t(i)].word; }

    int one(const Element &element, int i, int end, Captures &c) const
    {
        if (i >= end)
            return 0;
        // A trigger mark starts a phrase; it is never inside one.
        if (m_tokens[size_t(i)].trigger && i != m_phraseStart)
            return 0;
        if (element.slot.isEmpty())
            return element.words.contains(word(i)) ? 1 : 0;
        const QString &s = element.slot;
        if (s == u"n"_s)
            return number(i, c);
        if (s == u"unit"_s) {
            for (const auto &[name, unit] : m_table.units)
                if (name == word(i)) {
                    c.unit = unit;
                    return 1;
                }
            return 0;
        }
        if (s == u"weekday"_s) {
            const int day = weekday(word(i));
            if (day == 0)
                return 0;
            c.weekdays << day;
            return 1;
        }
        if (s == u"weekdays"_s)
            return weekdays(i, end, c);
        if (s == u"month"_s) {
            for (size_t m = 0; m < m_table.months.size(); ++m)
                if (m_table.months[m].contains(word(i))) {
                    c.month = int(m) + 1;
                    return 1;
                }
            return 0;
        }
        if (s == u"daynum"_s) {
            const int day = dayNumber(word(i));
            if (day == 0)
                return 0;
            c.dayNumbers << day;
            return 1;
        }
        if (s == u"ordinal"_s) {
            for (const auto &[name, position] : m_table.ordinals)
                if (name == word(i)) {
                    c.ordinal = position;
                    return 1;
                }
            return 0;
        }
        if (s == u"time"_s)
            return time(i, end, c, false);
        if (s == u"hour"_s)
            return time(i, end, c, true);
        if (s == u"date"_s)
            return date(word(i), c) ? 1 : 0;
        return 0;
    }

    int number(int i, Captures &c) const
    {
        bool ok = false;
        const int value = word(i).toInt(&ok);
        if (ok && value >= 1 && value <= 9999 && word(i).front().isDigit()) {
            c.numbers << value;
            return 1;
        }
        for (const auto &[name, n] : m_table.numberWords)
            if (name == word(i)) {
                c.numbers << n;
                return 1;
            }
        return 0;
    }

    int weekday(const QString &w) const
    {
        for (size_t d = 0; d < m_table.weekdays.size(); ++d)
            if (m_table.weekdays[d].contains(w))
                return int(d) + 1;
        return 0;
    }

    int weekdays(int i, int end, Captures &c) const
    {
        int taken = 0;
        while (i + taken < end) {
            int at = i + taken;
            if (taken > 0 && m_table.andWords.contains(word(at)) && at + 1 < end)
                ++at;
            const int day = weekday(word(at));
            if (day == 0)
                break;
            c.weekdays << day;
            taken = at - i + 1;
        }
        return taken;
    }

    int dayNumber(const QString &w) const
    {
        static const QRegularExpression digits(u"^(\\d{1,2})(\\D*)$"_s);
        const auto m = digits.match(w);
        if (!m.hasMatch() || (!m.captured(2).isEmpty() && !m_table.ordinalEndings.contains(m.captured(2))))
            return 0;
        const int day = m.captured(1).toInt();
        return day >= 1 && day <= 31 ? day : 0;
    }

    // A time of day: "3pm", "3:30 pm", "15:00", "noon"; with bareHour also "9".
    int time(int i, int end, Captures &c, bool bareHour) const
    {
        const QString &w = word(i);
        if (m_table.noonWords.contains(w) || m_table.midnightWords.contains(w)) {
            c.times << QTime(m_table.noonWords.contains(w) ? 12 : 0, 0);
            c.meridiem << true;
            return 1;
        }
        static const QRegularExpression clock(u"^(\\d{1,2})(?:[:.](\\d{2}))?([a-z.]*)$"_s);
        const auto m = clock.match(w);
        if (!m.hasMatch())
            return 0;
        int hour = m.captured(1).toInt();
        const int minute = m.captured(2).isEmpty() ? 0 : m.captured(2).toInt();
        QString suffix = m.captured(3);
        int taken = 1;
        if (suffix.isEmpty() && i + 1 < end
            && (m_table.amWords.contains(word(i + 1)) || m_table.pmWords.contains(word(i + 1)))) {
            suffix = word(i + 1);
            taken = 2;
        }
        const bool am = m_table.amWords.contains(suffix);
        const bool pm = m_table.pmWords.contains(suffix);
        if (!suffix.isEmpty() && !am && !pm)
            return 0;
        if (minute > 59)
            return 0;
        if (am || pm) {
            if (hour < 1 || hour > 12)
                return 0;
            hour = hour % 12 + (pm ? 12 : 0);
        } else if (m.captured(2).isEmpty() && !bareHour) {
            return 0; // a bare number is a count, not a time
        } else if (hour > 23 || (m.captured(2).isEmpty() && m.captured(1).size() > 2)) {
            return 0;
        }
        c.times << QTime(hour, minute);
        c.meridiem << (am || pm || hour > 12 || !m.captured(2).isEmpty());
        return taken;
    }

    bool date(const QString &w, Captures &c) const
    {
        static const QRegularExpression numeric(u"^(\\d{1,4})[/.-](\\d{1,2})(?:[/.-](\\d{1,4}))?$"_s);
        const auto m = numeric.match(w);
        if (!m.hasMatch())
            return false;
        const QDate today = m_context.clock->now().date();
        if (!m.captured(3).isEmpty()) {
            // A whole date: first the user's own format, then the numbers
            // in the locale's order (or year first).
            try {
                c.date = parseDateTime(w, m_context.formats).date();
                if (c.date.isValid())
                    return true;
            } catch (const Error &) {
            }
            const int a = m.captured(1).toInt(), b = m.captured(2).toInt();
            int y = m.captured(3).toInt();
            if (m.captured(1).size() == 4) {
                c.date = QDate(a, b, y);
            } else {
                if (m.captured(3).size() <= 2)
                    y += 2000;
                c.date = m_context.dayBeforeMonth ? QDate(y, b, a) : QDate(y, a, b);
            }
            return c.date.isValid();
        }
        if (m.captured(1).size() > 2)
            return false;
        const int a = m.captured(1).toInt(), b = m.captured(2).toInt();
        const int day = m_context.dayBeforeMonth ? a : b;
        const int month = m_context.dayBeforeMonth ? b : a;
        c.date = nextDate(today, month, day);
        return c.date.isValid();
    }

public:
    // The date of that day and month that is today or comes next.
    static QDate nextDate(const QDate &today, int month, int day)
    {
        if (!QDate::isValid(2000, month, day)) // 29 February exists in a leap year
            return {};
        for (int year = today.year(); year < today.year() + 8; ++year) {
            const QDate d(year, month, day);
            if (d.isValid() && d >= today)
                return d;
        }
        return {};
    }

    int m_phraseStart = 0;

private:
    const std::vector<Token> &m_tokens;
    const PhraseTable &m_table;
    const Context &m_context;
};

// Which parts of the task a phrase decides; when two phrases decide the same
// part, the later one in the line wins and the earlier one stays text.
enum Part { DayPart = 1, TimePart = 2, RepeatPart = 4, RemindPart = 8 };

struct Candidate
{
    const Rule *rule = nullptr;
    Captures captures;
    int first = 0;
    int count = 0;
    int parts = 0;
    std::optional<QDate> day;
    std::optional<QDateTime> moment;
};

int partsOf(const Rule &rule, const Captures &c)
{
    switch (rule.action) {
    case Action::Today:
    case Action::Tomorrow:
    case Action::Weekday:
    case Action::NextWeekday:
    case Action::DayMonth:
    case Action::Date:
        return DayPart;
    case Action::Tonight:
        return DayPart;
    case Action::InOffset:
        return c.unit == Unit::Minute || c.unit == Unit::Hour ? DayPart | TimePart : DayPart;
    case Action::Time:
        return TimePart;
    case Action::RemindBefore:
        return RemindPart;
    default:
        return RepeatPart;
    }
}

// A wall-clock time on a date; a time that the change to daylight saving
// time skips is moved on by the length of the gap (02:30 becomes 03:30).
DateTime wallClock(const QDate &date, const QTime &time)
{
    const QDateTime exact(date, time);
    if (exact.isValid() && exact.date() == date && exact.time() == time)
        return DateTime::fromDateAndTime(date, time);
    return DateTime::fromQDateTime(QDateTime(date, QTime(0, 0)).addMSecs(time.msecsSinceStartOfDay()));
}

// A moment n units from now, counted in elapsed time; seconds dropped.
QDateTime fromNow(const Clock &clock, qint64 seconds)
{
    QDateTime now = clock.now().toQDateTime();
    now.setTime(QTime(now.time().hour(), now.time().minute()));
    return now.addSecs(seconds);
}

qint64 secondsOf(Unit unit)
{
    return unit == Unit::Minute ? 60 : unit == Unit::Hour ? 3600 : 0;
}

// Resolves what a phrase means for the day; false when it names no real day.
bool resolve(Candidate &c, const Context &context, const PhraseTable &table)
{
    const QDate today = context.clock->now().date();
    const Captures &cap = c.captures;
    const int n = cap.numbers.isEmpty() ? 1 : cap.numbers.front();
    switch (c.rule->action) {
    case Action::Today:
    case Action::Tonight:
        c.day = today;
        break;
    case Action::Tomorrow:
        c.day = today.addDays(1);
        break;
    case Action::Weekday:
    case Action::NextWeekday: {
        int ahead = (cap.weekdays.front() - today.dayOfWeek() + 7) % 7;
        if (ahead == 0)
            ahead = 7;
        c.day = today.addDays(ahead + (c.rule->action == Action::NextWeekday ? 7 : 0));
        break;
    }
    case Action::InOffset:
        switch (cap.unit) {
        case Unit::Minute:
        case Unit::Hour:
            c.moment = fromNow(*context.clock, n * secondsOf(cap.unit));
            break;
        case Unit::Day: c.day = today.addDays(n); break;
        case Unit::Week: c.day = today.addDays(7 * qint64(n)); break;
        case Unit::Month: c.day = today.addMonths(n); break;
        case Unit::Year: c.day = today.addYears(n); break;
        case Unit::None: return false;
        }
        break;
    case Action::DayMonth:
        c.day = Matcher::nextDate(today, cap.month, cap.dayNumbers.front());
        return c.day->isValid();
    case Action::Date:
        c.day = cap.date;
        break;
    case Action::Every:
        return cap.unit != Unit::None || c.rule->unit != Unit::None;
    case Action::HourlyWindow:
        return cap.times.size() == 2 && cap.times[0].hour() <= cap.times[1].hour();
    case Action::MonthDay:
        return cap.ordinal != 0 && !cap.weekdays.isEmpty();
    default:
        break;
    }
    Q_UNUSED(table);
    return true;
}

QString daysMask(const QList<int> &weekdays)
{
    QString mask(7, u'_');
    for (int d : weekdays)
        mask[d - 1] = DayLetters.at(d - 1);
    return mask;
}

QString cleanText(QString text)
{
    static const QRegularExpression spaces(u"\\s+"_s);
    static const QRegularExpression spaceBeforePunctuation(u"\\s+([,;:.!?])"_s);
    static const QRegularExpression edges(u"^[\\s,;:\\-–—]+|[\\s,;:\\-–—]+$"_s);
    text.replace(spaces, u" "_s);
    text.replace(spaceBeforePunctuation, u"\\1"_s);
    text.remove(edges);
    if (!text.isEmpty())
        text[0] = text.at(0).toUpper();
    return text;
}

} // namespace

Result parse(const QString &line, const Context &context, const PhraseTable &table)
{
    Q_ASSERT(context.clock);
    const Clock &clock = *context.clock;
    const DateTime now = clock.now();
    const std::vector<Token> tokens = tokenize(line);
    const int count = int(tokens.size());

    Result result;
    result.values = context.defaults;
    std::vector<bool> taken(size_t(count), false);

    // Priority and category marks, anywhere in the line; the last one counts.
    int priorityToken = -1, categoryToken = -1;
    for (int i = 0; i < count; ++i) {
        const QString &w = tokens[size_t(i)].word;
        if (tokens[size_t(i)].trigger)
            continue;
        if (w.size() > 1 && w.front() == PriorityMark) {
            bool ok = false;
            const int p = w.mid(1).toInt(&ok);
            if (ok && p >= 1 && p <= 10 && w.at(1).isDigit())
                priorityToken = i;
        } else if (w.size() > 1 && w.front() == CategoryMark && w.at(1) != CategoryMark) {
            categoryToken = i;
        }
    }
    if (priorityToken >= 0) {
        result.values.priority = tokens[size_t(priorityToken)].word.mid(1).toInt();
        taken[size_t(priorityToken)] = true;
    }
    if (categoryToken >= 0) {
        const Token &t = tokens[size_t(categoryToken)];
        const QString typed = line.mid(t.start + 1, t.length - 1).left(MaxCategoryLength);
        result.values.category = typed;
        for (const QString &existing : context.categories)
            if (existing.startsWith(typed, Qt::CaseInsensitive)) {
                result.values.category = existing;
                break;
            }
        taken[size_t(categoryToken)] = true;
    }

    // Phrases: at each token the longest rule that matches (the first of
    // equally long ones), then on after it.
    static std::vector<std::pair<const PhraseTable *, std::vector<std::vector<Element>>>> compiled;
    auto found = std::find_if(compiled.begin(), compiled.end(), [&](const auto &p) { return p.first == &table; });
    if (found == compiled.end()) {
        std::vector<std::vector<Element>> rules;
        for (const Rule &rule : table.rules)
            rules.push_back(compile(rule.pattern));
        compiled.emplace_back(&table, std::move(rules));
        found = std::prev(compiled.end());
    }
    const auto &patterns = found->second;

    int from = 0;
    if (context.datesOnlyAfterTrigger) {
        from = count;
        for (int i = 0; i < count; ++i)
            if (tokens[size_t(i)].trigger) {
                from = i;
                break;
            }
    }
    Matcher matcher(tokens, table, context);
    std::vector<Candidate> candidates;
    for (int i = from; i < count;) {
        if (taken[size_t(i)]) {
            ++i;
            continue;
        }
        // A lone trigger mark joins the phrase after it.
        const bool loneTrigger = tokens[size_t(i)].trigger && tokens[size_t(i)].word.isEmpty();
        const int start = loneTrigger ? i + 1 : i;
        int end = start;
        while (end < count && !taken[size_t(end)])
            ++end;
        matcher.m_phraseStart = start;
        Candidate best;
        for (size_t r = 0; r < table.rules.size(); ++r) {
            Candidate c;
            c.rule = &table.rules[r];
            const int length = matcher.match(patterns[r], 0, start, end, c.captures);
            if (length <= best.count)
                continue;
            c.first = i;
            c.count = length + (start - i);
            if (!resolve(c, context, table))
                continue;
            c.parts = partsOf(*c.rule, c.captures);
            best = c;
        }
        if (best.count > 0) {
            candidates.push_back(best);
            i += best.count;
        } else {
            ++i;
        }
    }

    // The last phrase for each part wins.
    int winner[16] = {};
    std::fill(std::begin(winner), std::end(winner), -1);
    for (size_t k = 0; k < candidates.size(); ++k)
        for (int part : {DayPart, TimePart, RepeatPart, RemindPart})
            if (candidates[k].parts & part)
                winner[part] = int(k);
    const Candidate *day = nullptr, *time = nullptr, *repeat = nullptr, *remind = nullptr;
    for (size_t k = 0; k < candidates.size(); ++k) {
        const Candidate &c = candidates[k];
        bool wins = true;
        for (int part : {DayPart, TimePart, RepeatPart, RemindPart})
            if ((c.parts & part) && winner[part] != int(k))
                wins = false;
        if (!wins)
            continue;
        if (c.parts & DayPart)
            day = &c;
        if (c.parts & TimePart)
            time = &c;
        if (c.parts & RepeatPart)
            repeat = &c;
        if (c.parts & RemindPart)
            remind = &c;
        const Token &last = tokens[size_t(c.first + c.count - 1)];
        result.understood << Span{tokens[size_t(c.first)].start,
                                  last.start + last.length - tokens[size_t(c.first)].start};
        for (int t = c.first; t < c.first + c.count; ++t)
            taken[size_t(t)] = true;
    }
    if (priorityToken >= 0)
        result.understood << Span{tokens[size_t(priorityToken)].start, tokens[size_t(priorityToken)].length};
    if (categoryToken >= 0)
        result.understood << Span{tokens[size_t(categoryToken)].start, tokens[size_t(categoryToken)].length};
    std::sort(result.understood.begin(), result.understood.end(),
              [](const Span &a, const Span &b) { return a.start < b.start; });
    // Pieces with only blanks between them are marked as one.
    QList<Span> merged;
    for (const Span &s : std::as_const(result.understood)) {
        if (!merged.isEmpty()) {
            Span &last = merged.back();
            const int gap = s.start - (last.start + last.length);
            if (gap >= 0 && line.mid(last.start + last.length, gap).trimmed().isEmpty()) {
                last.length = s.start + s.length - last.start;
                continue;
            }
        }
        merged << s;
    }
    result.understood = merged;

    // The task text: the line without what was understood.
    QString text = line;
    for (auto it = result.understood.crbegin(); it != result.understood.crend(); ++it)
        text.replace(it->start, it->length, u" "_s);
    result.values.task = cleanText(text);

    // The time of day.
    std::optional<QTime> clockTime;
    if (time && time != day) {
        QTime t = time->captures.times.front();
        if (day && day->rule->action == Action::Tonight && !time->captures.meridiem.front() && t.hour() < 12)
            t = t.addSecs(12 * 3600);
        clockTime = t;
    } else if (day && day->rule->action == Action::Tonight) {
        clockTime = QTime(table.eveningHour, 0);
    }

    // The due date-time of a one-off task, or the start of a repeat.
    DateTime due;
    if (day && day->moment) {
        due = DateTime::fromQDateTime(*day->moment);
    } else if (day) {
        due = wallClock(*day->day, clockTime.value_or(context.defaultTime));
        // "today" after the usual hour: the next whole hour, not an alarm
        // that is due the moment the task is saved.
        if (!clockTime && due <= now && *day->day == now.date())
            due = DateTime::fromQDateTime(fromNow(clock, 3600 - now.minute() * 60));
    } else {
        const QTime t = clockTime.value_or(context.defaultTime);
        due = wallClock(now.date(), t);
        if (due <= now)
            due = wallClock(now.date().addDays(1), t);
    }

    TaskValues &v = result.values;
    result.timed = day || time || repeat || remind;
    if (result.timed) {
        v.occurrence = occurrenceWord(OccurrenceKind::Scheduled);
    }
    if (repeat) {
        const Captures &cap = repeat->captures;
        const int n = cap.numbers.isEmpty() ? 1 : cap.numbers.front();
        const Unit unit = cap.unit != Unit::None ? cap.unit : repeat->rule->unit;
        const bool startGiven = day || time;
        OccurrenceKind kind = OccurrenceKind::Scheduled;
        switch (repeat->rule->action) {
        case Action::Daily:
            kind = OccurrenceKind::Daily;
            v.validDays = AllDays;
            break;
        case Action::Weekdays:
            kind = OccurrenceKind::Daily;
            v.validDays = u"MTWTF__"_s;
            break;
        case Action::OnDays:
            kind = OccurrenceKind::Daily;
            v.validDays = daysMask(cap.weekdays);
            break;
        case Action::Every:
            switch (unit) {
            case Unit::Minute: kind = OccurrenceKind::Minutes; break;
            case Unit::Hour: kind = n == 1 ? OccurrenceKind::Hourly : OccurrenceKind::Hours; break;
            case Unit::Day: kind = n == 1 ? OccurrenceKind::Daily : OccurrenceKind::Days; break;
            case Unit::Week: kind = n == 1 ? OccurrenceKind::Weekly : OccurrenceKind::Weeks; break;
            case Unit::Month: kind = n == 1 ? OccurrenceKind::Monthly : OccurrenceKind::Months; break;
            case Unit::Year: kind = n == 1 ? OccurrenceKind::Yearly : OccurrenceKind::Years; break;
            case Unit::None: break;
            }
            v.frequency = n;
            if (kind == OccurrenceKind::Hourly) {
                v.validHours = u"00-23"_s;
                v.validDays = AllDays;
            } else if (kind == OccurrenceKind::Daily) {
                v.validDays = AllDays;
            }
            // Steps shorter than a day start one step from now.
            if (!startGiven && (unit == Unit::Minute || unit == Unit::Hour)) {
                due = DateTime::fromQDateTime(fromNow(clock, n * secondsOf(unit)));
                if (kind == OccurrenceKind::Hourly) // on the hour
                    due = DateTime::fromParts(due.dayNumber(), qint64(due.hour()) * 3600000);
            }
            break;
        case Action::MonthlyOnDay: {
            kind = OccurrenceKind::Monthly;
            const int dayOfMonth = cap.dayNumbers.front();
            const QTime t = clockTime.value_or(context.defaultTime);
            QDate month(now.date().year(), now.date().month(), 1);
            for (int k = 0; k < 3; ++k, month = month.addMonths(1)) {
                const QDate d(month.year(), month.month(), std::min(dayOfMonth, month.daysInMonth()));
                due = wallClock(d, t);
                if (due > now)
                    break;
            }
            break;
        }
        case Action::HourlyWindow: {
            kind = OccurrenceKind::Hourly;
            const int firstHour = cap.times[0].hour(), lastHour = cap.times[1].hour();
            v.validHours = u"%1-%2"_s.arg(firstHour, 2, 10, QChar(u'0')).arg(lastHour, 2, 10, QChar(u'0'));
            v.validDays = AllDays;
            QDate d = day && day->day ? *day->day : now.date();
            int hour = d == now.date() ? now.hour() + 1 : firstHour;
            if (hour < firstHour)
                hour = firstHour;
            if (hour > lastHour) {
                d = d.addDays(1);
                hour = firstHour;
            }
            due = wallClock(d, QTime(hour, 0));
            break;
        }
        case Action::MonthDay: {
            kind = OccurrenceKind::MonthDay;
            v.frequency = cap.ordinal;
            v.validDays = daysMask({cap.weekdays.front()});
            // The first such day after today, as the repeat itself finds it.
            due = StepOccurrence(clock, kind, v.frequency, v.validHours, v.validDays,
                                 wallClock(now.date(), clockTime.value_or(context.defaultTime)));
            break;
        }
        default:
            break;
        }
        v.occurrence = occurrenceWord(kind);
        // A day the repeat skips moves on to the first day it allows.
        if (kind == OccurrenceKind::Daily && validDayBits(v.validDays) != 0) {
            const int weekday = due.dayOfWeek(); // 1 = Sunday
            const int position = weekday == 1 ? 6 : weekday - 2;
            if (v.validDays.at(position) == u'_')
                due = NextValidDay(v.validDays, due);
        }
    }

    v.due = due;
    v.alarm = due;
    if (remind) {
        const Captures &cap = remind->captures;
        const int n = cap.numbers.front();
        switch (cap.unit) {
        case Unit::Minute: v.alarm = AddSeconds(due, -qint64(n) * 60); break;
        case Unit::Hour: v.alarm = AddSeconds(due, -qint64(n) * 3600); break;
        case Unit::Day: v.alarm = AddDays(due, -n); break;
        case Unit::Week: v.alarm = AddWeeks(due, -n); break;
        case Unit::Month: v.alarm = AddMonths(due, -n); break;
        case Unit::Year: v.alarm = AddYears(due, -n); break;
        case Unit::None: break;
        }
    }
    return result;
}

} // namespace quickadd
