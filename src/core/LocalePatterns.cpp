#include "core/LocalePatterns.h"

using namespace Qt::StringLiterals;

namespace {
// The first character between the fields of a short date, for example '.'.
QChar dateSeparatorOf(const QString &qtFormat)
{
    bool quoted = false;
    for (const QChar c : qtFormat) {
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && !c.isLetterOrNumber() && !c.isSpace())
            return c;
    }
    return u'/';
}

QChar timeSeparatorOf(const QString &qtFormat)
{
    const qsizetype h = qtFormat.indexOf(u'h', 0, Qt::CaseInsensitive);
    for (qsizetype i = h < 0 ? 0 : h; i < qtFormat.size(); ++i) {
        const QChar c = qtFormat.at(i);
        if (!c.isLetterOrNumber() && !c.isSpace() && c != u'\'')
            return c;
    }
    return u':';
}
}

QString patternFromQtFormat(const QString &qtFormat, QChar dateSeparator, QChar timeSeparator)
{
    QString out;
    const qsizetype size = qtFormat.size();
    for (qsizetype i = 0; i < size;) {
        const QChar c = qtFormat.at(i);
        if (c == u'\'') {
            // Quoted text stays quoted; '' is a quote character.
            const qsizetype end = qtFormat.indexOf(u'\'', i + 1);
            const QString text = qtFormat.mid(i + 1, (end < 0 ? size : end) - i - 1);
            out += text.isEmpty() ? u"\"'\""_s : u'\'' + text + u'\'';
            i = end < 0 ? size : end + 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < size && qtFormat.at(i + run) == c)
            ++run;
        const QChar next = i + run < size ? qtFormat.at(i + run) : QChar();
        const qsizetype two = std::min<qsizetype>(run, 2);
        switch (c.unicode()) {
        case 'd': out += QString(std::min<qsizetype>(run, 4), u'd'); break;
        case 'M':
        case 'L': out += QString(std::min<qsizetype>(run, 4), u'm'); break;
        case 'y': out += run <= 2 ? u"yy"_s : u"yyyy"_s; break;
        case 'H':
        case 'h': out += QString(two, u'h'); break;
        case 'm': out += QString(two, u'n'); break;
        case 's': out += QString(two, u's'); break;
        case 'z': out += QString(std::min<qsizetype>(run, 3), u'z'); break;
        case 'A':
        case 'a':
            // AP, ap, A or a: the locale's morning or afternoon text.
            out += u"ampm"_s;
            if (next.toLower() == u'p')
                ++run;
            break;
        case 't':
            // The time zone is not shown; nor the blank before it.
            while (out.endsWith(u' '))
                out.chop(1);
            break;
        default:
            if (c.isLetter())
                out += u'\'' + QString(run, c) + u'\'';
            else if (c == dateSeparator)
                out += QString(run, u'/');
            else if (c == timeSeparator)
                out += QString(run, u':');
            else if (c == u'"' || c == u'/' || c == u':')
                out += u'\'' + QString(run, c) + u'\'';
            else
                out += QString(run, c);
            break;
        }
        i += run;
    }
    return out.trimmed();
}

LocalePatterns localePatterns(const QLocale &locale)
{
    LocalePatterns p;
    const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
    const QString shortTime = locale.timeFormat(QLocale::ShortFormat);
    p.dateSeparator = dateSeparatorOf(shortDate);
    const QChar timeSeparator = timeSeparatorOf(shortTime);
    p.shortDate = patternFromQtFormat(shortDate, p.dateSeparator, timeSeparator);
    // The long date keeps its punctuation as it stands.
    p.longDate = patternFromQtFormat(locale.dateFormat(QLocale::LongFormat), QChar(), QChar());
    p.shortTime = patternFromQtFormat(shortTime, QChar(), timeSeparator);
    p.longTime = patternFromQtFormat(locale.timeFormat(QLocale::LongFormat), QChar(), timeSeparator);
    return p;
}
