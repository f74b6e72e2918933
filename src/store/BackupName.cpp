#include "store/BackupName.h"

#include <QRegularExpression>

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
    static const QRegularExpression form(
        QStringLiteral("^Nudgewick\\.([1-9][0-9]*)([0-9]{2})([0-9]{2})([0-9]{2})([0-9]{2})([0-9]{2})\\.mdb$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = form.match(fileName);
    if (!m.hasMatch())
        return std::nullopt;
    const auto n = [&m](int i) { return m.capturedView(i).toInt(); };
    const QDate date(n(1), n(2), n(3));
    const QTime time(n(4), n(5), n(6));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return DateTime::fromDateAndTime(date, time);
}

} // namespace backupname
