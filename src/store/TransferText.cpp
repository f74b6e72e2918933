#include "store/TransferText.h"

#include "store/BackupName.h"

#include "core/Error.h"

#include <QLocale>

namespace transfertext {

namespace {
const QLatin1String EmptyText("#0");

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Reads an unsigned number of exactly `width` digits at `at`; -1 when the
// text holds anything else there.
int digitsAt(const QString &text, qsizetype at, int width)
{
    if (at + width > text.size())
        return -1;
    int value = 0;
    for (int i = 0; i < width; ++i) {
        const QChar c = text.at(at + i);
        if (!isDigit(c))
            return -1;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

void appendDigits(QString &out, int value, int width)
{
    QString digits = QString::number(value);
    out += QString(qMax(0, width - int(digits.size())), QLatin1Char('0')) + digits;
}
}

QString encodeText(const QString &text)
{
    if (text.isEmpty())
        return EmptyText;
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r'))
            out += QLatin1String("#13");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("#10");
        else if (c == QLatin1Char('#') && i + 1 < text.size() && isDigit(text.at(i + 1)))
            out += QLatin1String("#35");
        else
            out += c;
    }
    return out;
}

QString decodeText(const QString &encoded)
{
    if (encoded == EmptyText)
        return QLatin1String("");
    QString out;
    out.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const QChar c = encoded.at(i);
        // A "#" the writer left alone is never followed by a digit, so two
        // digits after it always form a code.
        const int code = c == QLatin1Char('#') ? digitsAt(encoded, i + 1, 2) : -1;
        if (code == 13 || code == 10 || code == 35) {
            out += QChar(code);
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

QString realText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString dateTimeText(double days)
{
    const DateTime value(days);
    const QDate date = value.date();
    const int ms = value.msecsOfDay();
    if (date.year() < 1 || date.year() > 9999 || DateTime::fromParts(value.dayNumber(), ms).toDouble() != days)
        return realText(days);

    QString out;
    out.reserve(23);
    appendDigits(out, date.year(), 4);
    out += QLatin1Char('-');
    appendDigits(out, date.month(), 2);
    out += QLatin1Char('-');
    appendDigits(out, date.day(), 2);
    if (ms == 0)
        return out;
    out += QLatin1Char(' ');
    appendDigits(out, ms / 3600000, 2);
    out += QLatin1Char(':');
    appendDigits(out, ms / 60000 % 60, 2);
    out += QLatin1Char(':');
    appendDigits(out, ms / 1000 % 60, 2);
    if (ms % 1000 != 0) {
        out += QLatin1Char('.');
        appendDigits(out, ms % 1000, 3);
    }
    return out;
}

std::optional<double> parseDateTime(const QString &text)
{
    // "yyyy-mm-dd", optionally followed by " hh:nn:ss" and ".zzz".
    const int year = digitsAt(text, 0, 4), month = digitsAt(text, 5, 2), day = digitsAt(text, 8, 2);
    if (year >= 0 && month >= 0 && day >= 0 && text.at(4) == QLatin1Char('-') && text.at(7) == QLatin1Char('-')) {
        const QDate date(year, month, day);
        if (!date.isValid())
            return std::nullopt;
        qint64 ms = 0;
        if (text.size() > 10) {
            const int h = digitsAt(text, 11, 2), n = digitsAt(text, 14, 2), s = digitsAt(text, 17, 2);
            if (text.size() < 19 || text.at(10) != QLatin1Char(' ') || text.at(13) != QLatin1Char(':')
                || text.at(16) != QLatin1Char(':') || h < 0 || h > 23 || n < 0 || n > 59 || s < 0 || s > 59)
                return std::nullopt;
            int z = 0;
            if (text.size() > 19) {
                z = digitsAt(text, 20, 3);
                if (text.size() != 23 || text.at(19) != QLatin1Char('.') || z < 0)
                    return std::nullopt;
            }
            ms = ((h * 60 + n) * 60 + s) * 1000LL + z;
        }
        return DateTime::fromParts(dateTimeEpoch().daysTo(date), ms).toDouble();
    }
    bool ok = false;
    const double days = text.toDouble(&ok);
    return ok ? std::optional<double>(days) : std::nullopt;
}

} // namespace transfertext

QString backupFileName(DateTime moment)
{
    return backupname::fileName(moment);
}

QString ReplaceAllText(const QString &text, const QString &oldText, const QString &newText)
{
    if (newText.contains(oldText))
        throw Error(QStringLiteral("Cannot perform a cyclic replace."));
    QString result = text;
    qsizetype at = result.indexOf(oldText);
    while (at >= 0) {
        result.replace(at, oldText.size(), newText);
        // Everything before the replaced place was searched already; only an
        // occurrence that reaches into the new text can start before it.
        at = result.indexOf(oldText, qMax<qsizetype>(0, at - oldText.size() + 1));
    }
    return result;
}
