// The result of a quick-add line in words.

#include "quickadd/QuickAddParser.h"

#include "alarm/OccurrenceKind.h"
#include "alarm/Recurrence.h"
#include "core/Clock.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace quickadd {
namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("QuickAdd", text);
}

QString every(int n, const char *one, const char *many)
{
    return n == 1 ? tr(one) : tr(many).arg(n);
}

// "Mon, Thu" from a valid-days mask.
QString dayList(const QString &mask, const FormatSettings &formats)
{
    QStringList names;
    for (int i = 0; i < 7 && i < mask.size(); ++i)
        if (mask.at(i) != u'_')
            names << formats.shortDayNames.value((i + 1) % 7); // Sunday first
    return names.join(u", "_s);
}

QString repeatWords(const TaskValues &v, const FormatSettings &formats)
{
    const int n = v.frequency;
    switch (occurrenceKindFromWord(v.occurrence)) {
    case OccurrenceKind::Scheduled: return tr("once");
    case OccurrenceKind::Immediate: return tr("never prompted");
    case OccurrenceKind::Todo: return tr("to do, never prompted");
    case OccurrenceKind::Minutes: return every(n, "every minute", "every %1 minutes");
    case OccurrenceKind::Hourly:
        return v.validHours == u"00-23"_s ? tr("every hour")
                                          : tr("every hour from %1 to %2").arg(v.validHours.left(2), v.validHours.mid(3, 2));
    case OccurrenceKind::Hours: return every(n, "every hour", "every %1 hours");
    case OccurrenceKind::Daily:
        if (v.validDays == u"MTWTFSS"_s)
            return tr("every day");
        if (v.validDays == u"MTWTF__"_s)
            return tr("every weekday");
        return tr("every %1").arg(dayList(v.validDays, formats));
    case OccurrenceKind::Days: return every(n, "every day", "every %1 days");
    case OccurrenceKind::Weekly: return tr("every week");
    case OccurrenceKind::Weeks: return every(n, "every week", "every %1 weeks");
    case OccurrenceKind::Monthly: return tr("every month");
    case OccurrenceKind::Months: return every(n, "every month", "every %1 months");
    case OccurrenceKind::MonthDay: {
        static const char *positions[] = {"4th last", "3rd last", "2nd last", "last", "", "1st", "2nd", "3rd", "4th"};
        const QString position = n >= -4 && n <= 4 ? tr(positions[n + 4]) : QString::number(n);
        return tr("%1 %2 of every month").arg(position, dayList(v.validDays, formats));
    }
    case OccurrenceKind::Yearly: return tr("every year");
    case OccurrenceKind::Years: return every(n, "every year", "every %1 years");
    case OccurrenceKind::Unknown: break;
    }
    return v.occurrence;
}

} // namespace

QString describe(const Result &result, const Context &context)
{
    const TaskValues &v = result.values;
    const FormatSettings &formats = context.formats;
    const auto when = [&](DateTime t) { return formatDateTime(u"ddd d mmm hh:nn"_s, t, formats); };
    QString text = v.task.isEmpty() ? tr("(no text yet)") : v.task;
    text += u" — "_s + tr("due %1").arg(when(v.due));
    const OccurrenceKind kind = occurrenceKindFromWord(v.occurrence);
    const bool prompted = kind != OccurrenceKind::Todo && kind != OccurrenceKind::Immediate;
    if (prompted)
        text += u", "_s
                + tr("alarm %1").arg(v.alarm.date() == v.due.date()
                                         ? formatDateTime(u"hh:nn"_s, v.alarm, formats)
                                         : when(v.alarm));
    text += u", "_s + repeatWords(v, formats);
    // The next time, as the alarm scan will move the task on.
    const DateTime next = StepOccurrence(*context.clock, kind, v.frequency, v.validHours, v.validDays, v.due);
    if (next != v.due)
        text += u", "_s + tr("then %1").arg(when(next));
    if (v.category != context.defaults.category)
        text += u", #"_s + v.category;
    if (v.priority != context.defaults.priority)
        text += u", "_s + tr("priority %1").arg(v.priority);
    return text;
}

bool dayBeforeMonth(const FormatSettings &formats, const QLocale &locale)
{
    // The first of the letters d and m (months) in the pattern decides; a
    // pattern without both asks the locale.
    const QString pattern = formats.shortDateFormat.toLower();
    const qsizetype d = pattern.indexOf(u'd'), m = pattern.indexOf(u'm');
    if (d >= 0 && m >= 0)
        return d < m;
    const QString own = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype ld = own.indexOf(u'd'), lm = own.indexOf(u'M');
    return ld < 0 || lm < 0 || ld < lm;
}

} // namespace quickadd
