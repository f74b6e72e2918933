#include "core/DatePattern.h"

#include <QHash>

#include <algorithm>

namespace datepattern {
namespace {

// Lower case for ASCII letters only; the pattern letters are all ASCII, and
// other characters must never be taken for one of them.
char16_t asciiLower(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') ? char16_t(u + 32) : u;
}

bool isAsciiLetter(QChar c)
{
    const char16_t u = asciiLower(c);
    return u >= u'a' && u <= u'z';
}

class Tokenizer
{
public:
    explicit Tokenizer(const QString &pattern) : m_p(pattern) {}

    Tokens run()
    {
        while (m_i < m_p.size())
            step();
        markTwelveHourClocks();
        return std::move(m_tokens);
    }

private:
    void step()
    {
        const QChar c = m_p.at(m_i);
        const char16_t u = asciiLower(c);
        if (u == u'"' || u == u'\'') {
            const qsizetype close = m_p.indexOf(c, m_i + 1);
            const qsizetype end = close < 0 ? m_p.size() : close;
            addText(m_p.mid(m_i + 1, end - m_i - 1));
            m_i = close < 0 ? m_p.size() : close + 1;
            return;
        }
        if (u == u'/') {
            add(Kind::DateSeparator);
            ++m_i;
            return;
        }
        if (u == u':') {
            add(Kind::TimeSeparator);
            ++m_i;
            return;
        }
        if (u == u'a' && letterA())
            return;
        if (isAsciiLetter(c)) {
            // letterToken() still sees the previous letter (m after h).
            if (!letterToken(u)) {
                addText(QString(c));
                ++m_i;
            }
            m_lastLetter = u;
            return;
        }
        addText(QString(c));
        ++m_i;
    }

    // Handles a run of one of the pattern letters at m_i; false when the
    // letter has no meaning and is plain text.
    bool letterToken(char16_t u)
    {
        const int n = runLength(u);
        const auto w = [](int count, int most) { return quint8(std::min(count, most)); };
        switch (u) {
        case u'd':
            if (n <= 2)
                add(Kind::Day, quint8(n));
            else if (n <= 4)
                add(Kind::DayName, quint8(n - 2));
            else
                add(n == 5 ? Kind::ShortDate : Kind::LongDate);
            break;
        case u'm':
            if (n <= 2 && m_lastLetter == u'h')
                add(Kind::Minute, quint8(n));
            else if (n <= 2)
                add(Kind::Month, quint8(n));
            else
                add(Kind::MonthName, n == 3 ? 1 : 2);
            break;
        case u'y':
            add(Kind::Year, n <= 2 ? 2 : 4);
            break;
        case u'h':
            add(Kind::Hour, w(n, 2));
            break;
        case u'n':
            add(Kind::Minute, w(n, 2));
            break;
        case u's':
            add(Kind::Second, w(n, 2));
            break;
        case u'z':
            add(Kind::Millisecond, w(n, 3));
            break;
        case u't':
            add(n == 1 ? Kind::ShortTime : Kind::LongTime);
            break;
        case u'c':
            add(Kind::DateAndTime);
            break;
        case u'e':
            add(Kind::EraYear, w(n, 2));
            break;
        case u'g':
            add(Kind::EraName);
            break;
        default:
            return false;
        }
        m_i += n;
        return true;
    }

    // The tokens that begin with an a: am/pm, a/p, ampm, and aaa / aaaa as
    // weekday names. A shorter run of a is plain text.
    bool letterA()
    {
        const QStringView rest = QStringView(m_p).mid(m_i);
        const auto starts = [&](const char *word) {
            return rest.startsWith(QLatin1String(word), Qt::CaseInsensitive);
        };
        if (starts("am/pm")) {
            add(Kind::AmPm, 0, rest.left(5).toString());
            m_i += 5;
        } else if (starts("a/p")) {
            add(Kind::AP, 0, rest.left(3).toString());
            m_i += 3;
        } else if (starts("ampm")) {
            add(Kind::AmPmLocale);
            m_i += 4;
        } else {
            const int n = runLength(u'a');
            if (n < 3)
                return false;
            add(Kind::DayName, n == 3 ? 1 : 2);
            m_i += n;
        }
        m_lastLetter = asciiLower(m_p.at(m_i - 1));
        return true;
    }

    int runLength(char16_t u) const
    {
        qsizetype j = m_i;
        while (j < m_p.size() && asciiLower(m_p.at(j)) == u)
            ++j;
        return int(j - m_i);
    }

    void add(Kind kind, quint8 width = 0, const QString &text = QString())
    {
        m_tokens.push_back(Token{kind, width, false, text});
    }

    void addText(const QString &text)
    {
        if (text.isEmpty())
            return;
        if (!m_tokens.empty() && m_tokens.back().kind == Kind::Text)
            m_tokens.back().text += text;
        else
            add(Kind::Text, 0, text);
    }

    // An hour is on the 12-hour clock when an am/pm, a/p or ampm token
    // follows it before the next hour.
    void markTwelveHourClocks()
    {
        for (size_t i = 0; i < m_tokens.size(); ++i) {
            if (m_tokens[i].kind != Kind::Hour)
                continue;
            for (size_t j = i + 1; j < m_tokens.size() && m_tokens[j].kind != Kind::Hour; ++j) {
                const Kind k = m_tokens[j].kind;
                if (k == Kind::AmPm || k == Kind::AP || k == Kind::AmPmLocale) {
                    m_tokens[i].twelveHour = true;
                    break;
                }
            }
        }
    }

    const QString &m_p;
    qsizetype m_i = 0;
    char16_t m_lastLetter = 0; // the last pattern letter outside quotes, lower case
    Tokens m_tokens;
};

} // namespace

Tokens tokenize(const QString &pattern)
{
    return Tokenizer(pattern).run();
}

std::shared_ptr<const Tokens> cachedTokens(const QString &pattern)
{
    // A handful of patterns are in use at any time; a bound keeps a stream of
    // distinct patterns (the settings dialog while the user types) from
    // growing the cache without end.
    constexpr qsizetype MaxEntries = 64;
    thread_local QHash<QString, std::shared_ptr<const Tokens>> cache;
    auto it = cache.constFind(pattern);
    if (it != cache.constEnd())
        return it.value();
    if (cache.size() >= MaxEntries)
        cache.clear();
    auto tokens = std::make_shared<const Tokens>(tokenize(pattern));
    cache.insert(pattern, tokens);
    return tokens;
}

} // namespace datepattern
