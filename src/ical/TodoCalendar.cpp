#include "ical/TodoCalendar.h"

#include "alarm/OccurrenceKind.h"
#include "alarm/RecurrenceRule.h"
#include "core/DateTime.h"
#include "core/Error.h"

#include <QCoreApplication>

#include <libical/ical.h>

#include <array>
#include <memory>

using namespace Qt::StringLiterals;

namespace ical {
namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ical", text);
}

// Columns that travel as X- properties with their stored value, so a file
// written here reads back exactly. The standard fields carry an
// approximation of the same for other programs.
struct OwnProperty
{
    const char *column;
    const char *name;
};
constexpr std::array OwnProperties{
    OwnProperty{"Occurrence", "X-NUDGEWICK-OCCURRENCE"},
    OwnProperty{"Frequency", "X-NUDGEWICK-FREQUENCY"},
    OwnProperty{"ValidHours", "X-NUDGEWICK-VALID-HOURS"},
    OwnProperty{"ValidDays", "X-NUDGEWICK-VALID-DAYS"},
    OwnProperty{"Priority", "X-NUDGEWICK-PRIORITY"},
    OwnProperty{"SnoozeTime", "X-NUDGEWICK-SNOOZE-TIME"},
    OwnProperty{"AutoSnooze", "X-NUDGEWICK-AUTO-SNOOZE"},
    OwnProperty{"RepeatAutoSnooze", "X-NUDGEWICK-REPEAT-AUTO-SNOOZE"},
    OwnProperty{"AutoSnoozeAction", "X-NUDGEWICK-AUTO-SNOOZE-ACTION"},
    OwnProperty{"AnchorDay", "X-NUDGEWICK-ANCHOR-DAY"},
};
constexpr const char *ProductId = "-//Nudgewick//Nudgewick//EN";
constexpr int TaskLength = 255;
constexpr int CategoryLength = 20;
// The letters of a ValidDays text, Monday first.
constexpr const char *DayLetters = "MTWTFSS";

// A by_day entry: the weekday (1 = Sunday) and its position in the period
// (0 for every such weekday), encoded as libical decodes it.
short encodeDay(int weekday, int position)
{
    const int magnitude = std::abs(position) * 8 + weekday;
    return short(position < 0 ? -magnitude : magnitude);
}

struct ComponentDeleter
{
    void operator()(icalcomponent *c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentDeleter>;

// The libical zone for writing wall-clock times of zone; null for UTC (or a
// zone libical does not know, whose times are then written in UTC).
icaltimezone *writingZone(const QTimeZone &zone)
{
    // Any zone that is UTC under another name ("Etc/UTC") is written as UTC.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (!zone.isValid() || (zone.offsetFromUtc(now) == 0 && !zone.hasDaylightTime()))
        return nullptr;
    return icaltimezone_get_builtin_timezone(zone.id().constData());
}

QDateTime wallClock(const QVariant &stored, const QTimeZone &zone)
{
    const DateTime value(stored.toDouble());
    const QTime time = value.time();
    return QDateTime(value.date(), QTime(time.hour(), time.minute(), time.second()), zone);
}

icaltimetype fromQDateTime(const QDateTime &utc)
{
    icaltimetype t = icaltime_null_time();
    const QDate d = utc.date();
    const QTime tm = utc.time();
    t.year = d.year();
    t.month = d.month();
    t.day = d.day();
    t.hour = tm.hour();
    t.minute = tm.minute();
    t.second = tm.second();
    return t;
}

icaltimetype utcTime(const QDateTime &moment)
{
    icaltimetype t = fromQDateTime(moment.toUTC());
    t.zone = icaltimezone_get_utc_timezone();
    return t;
}

// A stored time as the value of a property: in the writing zone with its
// TZID (the system's name of the zone, which the VTIMEZONE written carries
// too), or in UTC.
void setZonedTime(icalproperty *property, const QDateTime &wall, icaltimezone *zone,
                  void (*set)(icalproperty *, icaltimetype))
{
    if (!zone) {
        set(property, utcTime(wall));
        return;
    }
    icaltimetype t = fromQDateTime(wall);
    t.zone = zone;
    set(property, t);
    icalproperty_remove_parameter_by_kind(property, ICAL_TZID_PARAMETER);
    icalproperty_add_parameter(property, icalparameter_new_tzid(wall.timeZone().id().constData()));
}

bool hasValue(const QVariantMap &fields, const char *column)
{
    const QVariant v = fields.value(QLatin1StringView(column));
    return v.isValid() && !v.isNull();
}

bool hasTime(const QVariantMap &fields, const char *column)
{
    return hasValue(fields, column) && fields.value(QLatin1StringView(column)).toDouble() != 0.0;
}

// The standard rule nearest to a task's occurrence; false for the kinds that
// do not repeat.
bool recurrenceOf(const QVariantMap &fields, icalrecurrencetype &rule)
{
    const OccurrenceKind kind = occurrenceKindFromWord(fields.value(u"Occurrence"_s).toString());
    const RecurrenceRule ours = RecurrenceRule::read(kind, fields.value(u"Frequency"_s).toInt(),
                                                     fields.value(u"ValidHours"_s).toString(),
                                                     fields.value(u"ValidDays"_s).toString());
    if (!ours.moves())
        return false;
    icalrecurrencetype_clear(&rule);
    rule.interval = short(std::clamp<qint64>(ours.frequency, 1, SHRT_MAX));
    const auto days = [&rule, &ours] {
        if (ours.dayMask == RecurrenceRule::AllDays)
            return;
        int n = 0;
        for (int bit = 0; bit < 7; ++bit)
            if (ours.dayMask & (1 << bit))
                rule.by_day[n++] = encodeDay(bit + 1, 0);
    };
    switch (kind) {
    case OccurrenceKind::Minutes:
        rule.freq = ICAL_MINUTELY_RECURRENCE;
        break;
    case OccurrenceKind::Hours:
        rule.freq = ICAL_HOURLY_RECURRENCE;
        break;
    case OccurrenceKind::Hourly: {
        rule.freq = ICAL_HOURLY_RECURRENCE;
        rule.interval = 1;
        if (ours.firstHour > 0 || ours.lastHour < 23) {
            int n = 0;
            for (int h = ours.firstHour; h <= std::min(ours.lastHour, 23); ++h)
                rule.by_hour[n++] = short(h);
        }
        days();
        break;
    }
    case OccurrenceKind::Daily:
        rule.freq = ICAL_DAILY_RECURRENCE;
        rule.interval = 1;
        days();
        break;
    case OccurrenceKind::Days:
        rule.freq = ICAL_DAILY_RECURRENCE;
        break;
    case OccurrenceKind::Weekly:
    case OccurrenceKind::Weeks:
        rule.freq = ICAL_WEEKLY_RECURRENCE;
        break;
    case OccurrenceKind::Monthly:
    case OccurrenceKind::Months:
        rule.freq = ICAL_MONTHLY_RECURRENCE;
        break;
    case OccurrenceKind::MonthDay:
        rule.freq = ICAL_MONTHLY_RECURRENCE;
        rule.interval = 1;
        rule.by_day[0] = encodeDay(ours.monthDayWeekday, int(ours.frequency));
        break;
    case OccurrenceKind::Yearly:
    case OccurrenceKind::Years:
        rule.freq = ICAL_YEARLY_RECURRENCE;
        break;
    default:
        return false;
    }
    if (kind == OccurrenceKind::Weekly || kind == OccurrenceKind::Monthly || kind == OccurrenceKind::Yearly)
        rule.interval = 1;
    return true;
}

icalcomponent *todoComponent(const Todo &todo, const QTimeZone &zone, icaltimezone *tz)
{
    const QVariantMap &f = todo.fields;
    icalcomponent *c = icalcomponent_new(ICAL_VTODO_COMPONENT);
    icalcomponent_add_property(c, icalproperty_new_uid(todo.uid.toUtf8().constData()));
    icalcomponent_add_property(c, icalproperty_new_dtstamp(utcTime(QDateTime::currentDateTimeUtc())));
    if (todo.lastModified.isValid())
        icalcomponent_add_property(c, icalproperty_new_lastmodified(utcTime(todo.lastModified)));
    const QString task = f.value(u"Task"_s).toString();
    icalcomponent_add_property(c, icalproperty_new_summary(task.toUtf8().constData()));
    if (const QString notes = f.value(u"Notes"_s).toString(); !notes.isEmpty())
        icalcomponent_add_property(c, icalproperty_new_description(notes.toUtf8().constData()));
    if (const QString category = f.value(u"Category"_s).toString(); !category.isEmpty())
        icalcomponent_add_property(c, icalproperty_new_categories(category.toUtf8().constData()));
    if (hasTime(f, "TaskCreated"))
        icalcomponent_add_property(c, icalproperty_new_created(utcTime(wallClock(f.value(u"TaskCreated"_s), zone))));
    const bool hasDue = hasTime(f, "DueDateTime");
    const QDateTime due = hasDue ? wallClock(f.value(u"DueDateTime"_s), zone) : QDateTime();
    if (hasDue) {
        icalproperty *p = icalproperty_new_due(icaltime_null_time());
        setZonedTime(p, due, tz, icalproperty_set_due);
        icalcomponent_add_property(c, p);
    }
    if (const int priority = f.value(u"Priority"_s).toInt(); priority > 0)
        icalcomponent_add_property(c, icalproperty_new_priority(std::min(priority, 9)));

    const bool completed = f.value(u"Completed"_s).toInt() != 0;
    const int percent = std::clamp(f.value(u"PercentageComplete"_s).toInt(), 0, 100);
    icalcomponent_add_property(c, icalproperty_new_status(completed      ? ICAL_STATUS_COMPLETED
                                                          : percent > 0 ? ICAL_STATUS_INPROCESS
                                                                         : ICAL_STATUS_NEEDSACTION));
    if (hasValue(f, "PercentageComplete"))
        icalcomponent_add_property(c, icalproperty_new_percentcomplete(percent));
    if (hasTime(f, "CompletedDate"))
        icalcomponent_add_property(c, icalproperty_new_completed(utcTime(wallClock(f.value(u"CompletedDate"_s), zone))));

    // A repeating to-do also starts at its due time: the standard counts the
    // occurrences of a rule from the start.
    icalrecurrencetype rule;
    if (recurrenceOf(f, rule)) {
        icalcomponent_add_property(c, icalproperty_new_rrule(rule));
        if (hasDue) {
            icalproperty *p = icalproperty_new_dtstart(icaltime_null_time());
            setZonedTime(p, due, tz, icalproperty_set_dtstart);
            icalcomponent_add_property(c, p);
        }
    }

    if (hasTime(f, "AlarmDateTime")) {
        const QDateTime alarmAt = wallClock(f.value(u"AlarmDateTime"_s), zone);
        icalcomponent *alarm = icalcomponent_new(ICAL_VALARM_COMPONENT);
        icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
        icalcomponent_add_property(alarm, icalproperty_new_description(task.toUtf8().constData()));
        icaltriggertype trigger;
        trigger.time = icaltime_null_time();
        trigger.duration = icaldurationtype_null_duration();
        const qint64 lead = hasDue ? due.secsTo(alarmAt) : 0;
        const bool relative = hasDue && std::abs(lead) < INT_MAX;
        if (relative)
            trigger.duration = icaldurationtype_from_int(int(lead));
        else
            trigger.time = utcTime(alarmAt);
        icalproperty *p = icalproperty_new_trigger(trigger);
        if (relative)
            icalproperty_add_parameter(p, icalparameter_new_related(ICAL_RELATED_END));
        icalcomponent_add_property(alarm, p);
        icalcomponent_add_component(c, alarm);
    }

    for (const OwnProperty &own : OwnProperties) {
        if (!hasValue(f, own.column))
            continue;
        icalproperty *x = icalproperty_new_x(f.value(QLatin1StringView(own.column)).toString().toUtf8().constData());
        icalproperty_set_x_name(x, own.name);
        icalcomponent_add_property(c, x);
    }
    return c;
}

// A property's time as a stored wall-clock value of zone. Floating times
// are taken as they stand; dates without a time as their midnight.
QVariant storedTime(icaltimetype t, const QTimeZone &zone)
{
    if (icaltime_is_null_time(t) || !icaltime_is_valid_time(t))
        return {};
    const QDate date(t.year, t.month, t.day);
    if (t.is_date || !t.zone)
        return DateTime::fromDateAndTime(date, QTime(t.hour, t.minute, t.second)).toDouble();
    const icaltimetype utc = icaltime_convert_to_zone(t, icaltimezone_get_utc_timezone());
    const QDateTime moment(QDate(utc.year, utc.month, utc.day), QTime(utc.hour, utc.minute, utc.second),
                           QTimeZone::utc());
    const QDateTime wall = moment.toTimeZone(zone);
    return DateTime::fromDateAndTime(wall.date(), wall.time()).toDouble();
}

// A property's time as a moment in UTC; floating times are taken as local.
QDateTime utcMoment(icaltimetype t)
{
    if (icaltime_is_null_time(t) || !icaltime_is_valid_time(t))
        return {};
    if (t.is_date || !t.zone)
        return QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second)).toUTC();
    const icaltimetype utc = icaltime_convert_to_zone(t, icaltimezone_get_utc_timezone());
    return QDateTime(QDate(utc.year, utc.month, utc.day), QTime(utc.hour, utc.minute, utc.second), QTimeZone::utc());
}

QString ownValue(icalcomponent *c, const char *name)
{
    for (icalproperty *p = icalcomponent_get_first_property(c, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_X_PROPERTY))
        if (qstrcmp(icalproperty_get_x_name(p), name) == 0)
            return QString::fromUtf8(icalproperty_get_x(p));
    return QString();
}

QString validDaysText(const std::array<bool, 7> &mondayFirst)
{
    QString text(7, u'_');
    for (int i = 0; i < 7; ++i)
        if (mondayFirst[size_t(i)])
            text[i] = QLatin1Char(DayLetters[i]);
    return text;
}

// Monday-first index of a libical weekday (1 = Sunday).
int mondayIndex(icalrecurrencetype_weekday day)
{
    return (int(day) + 5) % 7;
}

// The occurrence fields nearest to a standard rule, with warnings for what
// they cannot say.
void readRule(icalproperty *property, QVariantMap &f, QStringList &warnings)
{
    const icalrecurrencetype r = icalproperty_get_rrule(property);
    if (r.count > 0 || !icaltime_is_null_time(r.until))
        warnings << tr("The end of its series (a count or a last date) cannot be kept: it repeats without end.");
    std::array<bool, 7> days{};
    int dayCount = 0;
    int position = 0;
    icalrecurrencetype_weekday positionDay = ICAL_NO_WEEKDAY;
    for (int i = 0; i < ICAL_BY_DAY_SIZE && r.by_day[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
        const icalrecurrencetype_weekday day = icalrecurrencetype_day_day_of_week(r.by_day[i]);
        days[size_t(mondayIndex(day))] = true;
        ++dayCount;
        if (const int pos = icalrecurrencetype_day_position(r.by_day[i]); pos != 0) {
            position = pos;
            positionDay = day;
        }
    }
    int firstHour = 24, lastHour = -1;
    for (int i = 0; i < ICAL_BY_HOUR_SIZE && r.by_hour[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
        firstHour = std::min<int>(firstHour, r.by_hour[i]);
        lastHour = std::max<int>(lastHour, r.by_hour[i]);
    }
    const int interval = std::max<int>(r.interval, 1);
    const auto set = [&f](const QString &kind, int frequency) {
        f[u"Occurrence"_s] = kind;
        f[u"Frequency"_s] = frequency;
    };
    switch (r.freq) {
    case ICAL_MINUTELY_RECURRENCE:
        set(u"Minutes"_s, interval);
        break;
    case ICAL_HOURLY_RECURRENCE:
        if (dayCount > 0 || lastHour >= 0) {
            if (interval > 1)
                warnings << tr("It repeats every %1 hours on chosen days: kept as every hour.").arg(interval);
            set(u"Hourly"_s, 1);
            if (lastHour >= 0)
                f[u"ValidHours"_s] = u"%1-%2"_s.arg(firstHour, 2, 10, QLatin1Char('0')).arg(lastHour, 2, 10, QLatin1Char('0'));
            f[u"ValidDays"_s] = dayCount > 0 ? validDaysText(days) : u"MTWTFSS"_s;
        } else {
            set(u"Hours"_s, interval);
        }
        break;
    case ICAL_DAILY_RECURRENCE:
        if (dayCount > 0) {
            if (interval > 1)
                warnings << tr("It repeats every %1 days on chosen weekdays: kept as every chosen weekday.").arg(interval);
            set(u"Daily"_s, 1);
            f[u"ValidDays"_s] = validDaysText(days);
        } else {
            set(interval == 1 ? u"Daily"_s : u"Days"_s, interval);
            if (interval == 1)
                f[u"ValidDays"_s] = u"MTWTFSS"_s;
        }
        break;
    case ICAL_WEEKLY_RECURRENCE:
        if (dayCount > 1 && interval == 1) {
            set(u"Daily"_s, 1);
            f[u"ValidDays"_s] = validDaysText(days);
        } else {
            if (dayCount > 1)
                warnings << tr("It repeats on several weekdays every %1 weeks: kept as once every %1 weeks.").arg(interval);
            set(interval == 1 ? u"Weekly"_s : u"Weeks"_s, interval);
        }
        break;
    case ICAL_MONTHLY_RECURRENCE:
        if (position != 0 && dayCount == 1 && interval == 1 && position >= -4 && position <= 4) {
            set(u"MonthDay"_s, position);
            std::array<bool, 7> one{};
            one[size_t(mondayIndex(positionDay))] = true;
            f[u"ValidDays"_s] = validDaysText(one);
        } else {
            if (dayCount > 0)
                warnings << tr("Its monthly rule names weekdays that cannot be kept: it repeats on the same day of the month.");
            set(interval == 1 ? u"Monthly"_s : u"Months"_s, interval);
        }
        break;
    case ICAL_YEARLY_RECURRENCE:
        set(interval == 1 ? u"Yearly"_s : u"Years"_s, interval);
        break;
    default:
        warnings << tr("Its repeat rule cannot be kept: it is a one-off task.");
        break;
    }
    if (r.by_month_day[0] != ICAL_RECURRENCE_ARRAY_MAX && r.freq != ICAL_MONTHLY_RECURRENCE)
        warnings << tr("The days of the month its rule names cannot be kept.");
}

// The moment an alarm's trigger points at, or an invalid value.
QVariant alarmTime(icalcomponent *todo, icalcomponent *alarm, const QVariantMap &f, const QTimeZone &zone)
{
    icalproperty *p = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
    if (!p)
        return {};
    const icaltriggertype trigger = icalproperty_get_trigger(p);
    if (!icaltime_is_null_time(trigger.time))
        return storedTime(trigger.time, zone);
    icalparameter *related = icalproperty_get_first_parameter(p, ICAL_RELATED_PARAMETER);
    const bool fromEnd = related && icalparameter_get_related(related) == ICAL_RELATED_END;
    QVariant base = fromEnd ? f.value(u"DueDateTime"_s) : storedTime(icalcomponent_get_dtstart(todo), zone);
    if (!base.isValid() || base.isNull())
        base = f.value(u"DueDateTime"_s);
    if (!base.isValid() || base.isNull())
        return {};
    const QDateTime at = wallClock(base, zone).addSecs(icaldurationtype_as_int(trigger.duration));
    return DateTime::fromDateAndTime(at.date(), at.time()).toDouble();
}

Todo readTodo(icalcomponent *c, const QTimeZone &zone)
{
    Todo todo;
    QVariantMap &f = todo.fields;
    todo.uid = QString::fromUtf8(icalcomponent_get_uid(c));
    if (icalproperty *p = icalcomponent_get_first_property(c, ICAL_LASTMODIFIED_PROPERTY))
        todo.lastModified = utcMoment(icalproperty_get_lastmodified(p));
    else if (icalproperty *p = icalcomponent_get_first_property(c, ICAL_DTSTAMP_PROPERTY))
        todo.lastModified = utcMoment(icalproperty_get_dtstamp(p));
    if (icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY))
        todo.recurrenceId = storedTime(icalcomponent_get_recurrenceid(c), zone);
    QString task = QString::fromUtf8(icalcomponent_get_summary(c));
    if (task.size() > TaskLength) {
        todo.warnings << tr("Its text was cut to %1 characters.").arg(TaskLength);
        task.truncate(TaskLength);
    }
    f[u"Task"_s] = task;
    if (const char *notes = icalcomponent_get_description(c))
        f[u"Notes"_s] = QString::fromUtf8(notes);
    if (icalproperty *p = icalcomponent_get_first_property(c, ICAL_CATEGORIES_PROPERTY)) {
        QString category = QString::fromUtf8(icalproperty_get_categories(p)).section(u',', 0, 0);
        if (icalcomponent_get_next_property(c, ICAL_CATEGORIES_PROPERTY)
            || QString::fromUtf8(icalproperty_get_categories(p)).contains(u','))
            todo.warnings << tr("Only its first category is kept.");
        if (category.size() > CategoryLength) {
            todo.warnings << tr("Its category was cut to %1 characters.").arg(CategoryLength);
            category.truncate(CategoryLength);
        }
        f[u"Category"_s] = category;
    }
    if (icalproperty *p = icalcomponent_get_first_property(c, ICAL_CREATED_PROPERTY))
        f[u"TaskCreated"_s] = storedTime(icalproperty_get_created(p), zone);
    if (icalcomponent_get_first_property(c, ICAL_DUE_PROPERTY))
        f[u"DueDateTime"_s] = storedTime(icalcomponent_get_due(c), zone);
    if (icalproperty *p = icalcomponent_get_first_property(c, ICAL_PRIORITY_PROPERTY))
        f[u"Priority"_s] = icalproperty_get_priority(p);

    const icalproperty_status status = icalcomponent_get_status(c);
    icalproperty *completedAt = icalcomponent_get_first_property(c, ICAL_COMPLETED_PROPERTY);
    const bool completed = status == ICAL_STATUS_COMPLETED || completedAt;
    f[u"Completed"_s] = completed ? 1 : 0;
    if (icalproperty *p = icalcomponent_get_first_property(c, ICAL_PERCENTCOMPLETE_PROPERTY))
        f[u"PercentageComplete"_s] = std::clamp(icalproperty_get_percentcomplete(p), 0, 100);
    else if (completed)
        f[u"PercentageComplete"_s] = 100;
    if (completedAt)
        f[u"CompletedDate"_s] = storedTime(icalproperty_get_completed(completedAt), zone);

    if (icalproperty *rule = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY)) {
        readRule(rule, f, todo.warnings);
        if (icalcomponent_get_next_property(c, ICAL_RRULE_PROPERTY))
            todo.warnings << tr("Only its first repeat rule is kept.");
    }
    if (icalcomponent_get_first_property(c, ICAL_EXDATE_PROPERTY)
        || icalcomponent_get_first_property(c, ICAL_RDATE_PROPERTY))
        todo.warnings << tr("Dates added to or left out of its series cannot be kept.");

    int alarms = 0;
    for (icalcomponent *a = icalcomponent_get_first_component(c, ICAL_VALARM_COMPONENT); a;
         a = icalcomponent_get_next_component(c, ICAL_VALARM_COMPONENT)) {
        if (++alarms > 1)
            continue;
        const QVariant at = alarmTime(c, a, f, zone);
        if (at.isValid())
            f[u"AlarmDateTime"_s] = at;
    }
    if (alarms > 1)
        todo.warnings << tr("Only its first alarm is kept.");
    // A snoozed alarm, as peers write it.
    for (icalproperty *p = icalcomponent_get_first_property(c, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_X_PROPERTY)) {
        if (qstrcmp(icalproperty_get_x_name(p), "X-MOZ-SNOOZE-TIME") != 0)
            continue;
        icaltimetype t = icaltime_from_string(icalproperty_get_x(p));
        if (!icaltime_is_null_time(t))
            f[u"AlarmDateTime"_s] = storedTime(t, zone);
    }
    if (!f.contains(u"Occurrence"_s))
        f[u"Occurrence"_s] = f.contains(u"AlarmDateTime"_s) ? u"Scheduled"_s : u"Todo"_s;

    // Our own values, where a file written here holds them, stand over the
    // approximations read above.
    for (const OwnProperty &own : OwnProperties) {
        const QString value = ownValue(c, own.name);
        if (value.isNull())
            continue;
        if (qstrcmp(own.column, "Occurrence") == 0 || qstrcmp(own.column, "ValidHours") == 0
            || qstrcmp(own.column, "ValidDays") == 0)
            f[QLatin1StringView(own.column)] = value;
        else
            f[QLatin1StringView(own.column)] = value.toLongLong();
    }
    if (!ownValue(c, "X-NUDGEWICK-OCCURRENCE").isNull())
        todo.warnings.clear();
    return todo;
}

} // namespace

QByteArray writeCalendar(const QList<Todo> &todos, const QTimeZone &zone)
{
    Component calendar(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_prodid(ProductId));
    icaltimezone *tz = writingZone(zone);
    if (tz) {
        // The zone's rules from the earliest time written on, not its whole
        // history since the 1890s.
        QDateTime earliest;
        for (const Todo &todo : todos)
            for (const char *column : {"TaskCreated", "DueDateTime", "AlarmDateTime", "CompletedDate"})
                if (hasTime(todo.fields, column)) {
                    const QDateTime t = wallClock(todo.fields.value(QLatin1StringView(column)), zone);
                    if (!earliest.isValid() || t < earliest)
                        earliest = t;
                }
        icalcomponent *rules = icalcomponent_new_clone(icaltimezone_get_component(tz));
        if (earliest.isValid())
            icaltimezone_truncate_vtimezone(rules, utcTime(earliest.addDays(-1)), icaltime_null_time(), 0);
        // Named as the system names the zone ("Europe/Berlin"), without the
        // prefix libical gives its own zones; the times refer to this name.
        icalproperty *tzid = icalcomponent_get_first_property(rules, ICAL_TZID_PROPERTY);
        icalproperty_set_tzid(tzid, zone.id().constData());
        icalcomponent_add_component(calendar.get(), rules);
    }
    for (const Todo &todo : todos)
        icalcomponent_add_component(calendar.get(), todoComponent(todo, zone, tz));
    char *text = icalcomponent_as_ical_string_r(calendar.get());
    QByteArray out(text);
    icalmemory_free_buffer(text);
    return out;
}

QList<Todo> readCalendar(const QByteArray &text, const QTimeZone &zone)
{
    Component root(icalparser_parse_string(text.constData()));
    if (!root)
        throw Error(tr("The file is not an iCalendar file."));
    QList<Todo> todos;
    const auto readFrom = [&](icalcomponent *calendar) {
        for (icalcomponent *c = icalcomponent_get_first_component(calendar, ICAL_VTODO_COMPONENT); c;
             c = icalcomponent_get_next_component(calendar, ICAL_VTODO_COMPONENT))
            todos << readTodo(c, zone);
    };
    if (icalcomponent_isa(root.get()) == ICAL_VCALENDAR_COMPONENT) {
        readFrom(root.get());
    } else if (icalcomponent_isa(root.get()) == ICAL_XROOT_COMPONENT) {
        // Several calendars in one file.
        for (icalcomponent *c = icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT); c;
             c = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT))
            readFrom(c);
    } else {
        throw Error(tr("The file is not an iCalendar file."));
    }
    return todos;
}

} // namespace ical
