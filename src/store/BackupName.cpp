#include "store/BackupName.h"

#include <algorithm>

namespace backupname {

QString stamp(DateTime moment)
{
    const QDate date = moment.date();
    const QTime time = moment.time();
    QString text = QString::number(date.year());
    for (int part : {date.month(), date.day(), time.hour(), time.minute(), time.second()})
        text += QStringLiteral("%1").arg(part, 2, 10, QLatin1Char('0'));
    return text;
}

QString fileName(DateTime moment)
{
    return QStringLiteral("Nudgewick.") + stamp(moment) + QStringLiteral(".mdb");
}

QString jetFileName(DateTime moment)
{
    return QStringLiteral("Nudgewick.") + stamp(moment) + QStringLiteral(".jet.mdb");
}

std::optional<DateTime> parse(const QString &fileName)
{
    // "Nudgewick.", the year without leading zeros, then month, day, hour,
    // minute and second in two digits each, then ".mdb"; in any letter case.
    const QLatin1StringView prefix("Nudgewick."), suffix(".mdb");
    if (fileName.size() < prefix.size() + suffix.size() || !fileName.startsWith(prefix, Qt::CaseInsensitive)
        || !fileName.endsWith(suffix, Qt::CaseInsensitive))
        return std::nullopt;
    const QStringView digits = QStringView(fileName).sliced(prefix.size()).chopped(suffix.size());
    if (digits.size() < 11 || digits.front() == u'0'
        || !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    const qsizetype yearLength = digits.size() - 10;
    const auto n = [&digits, yearLength](int i) { return digits.sliced(yearLength + 2 * i, 2).toInt(); };
    const QDate date(digits.first(yearLength).toInt(), n(0), n(1));
    const QTime time(n(2), n(3), n(4));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return DateTime::fromDateAndTime(date, time);
}

} // namespace backupname
