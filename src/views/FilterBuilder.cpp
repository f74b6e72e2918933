#include "views/FilterBuilder.h"

#include "store/Query.h"

using namespace Qt::StringLiterals;

namespace {
// The text of one view as it is built: its lines, its parameters and the
// connector that the next condition line starts with.
class Builder
{
public:
    FilterSql sql;
    QString connector = u"where "_s;

    Builder()
    {
        sql.lines << u"select *"_s << u"from Tasks"_s;
    }

    void line(const QString &text) { sql.lines << text; }
    void param(const QString &name, const QVariant &value) { sql.params.append({name, value}); }

    void viewState(ViewState state)
    {
        if (state == ViewState::All)
            return;
        line(connector + u"Completed = :Completed"_s);
        param(u"Completed"_s, state == ViewState::Completed);
        connector = u"and "_s;
    }

    // The tab's own list: one alternative per checked item; with none
    // checked, a comparison that nothing matches.
    void mainList(ValueList list, const QList<CheckedItem> &items)
    {
        const QString field = valueListField(list);
        // The category lines carry a blank after the connector.
        const QString lead = list == ValueList::Category ? u" "_s : QString();
        connector += u" ("_s;
        for (const CheckedItem &item : items) {
            const QString name = field + QString::number(item.position);
            line(connector + lead + field + u" = :"_s + name);
            param(name, item.caption);
            connector = u"or "_s;
        }
        if (items.isEmpty()) {
            line(connector + u" "_s + field + u" = :"_s + field);
            param(field, NoMatchValue);
            connector = u"or "_s;
        }
        line(u")"_s);
        connector = u"and "_s;
    }

    // A sub-filter: with no checked item it adds nothing.
    void subFilter(ValueList list, const QList<CheckedItem> &items)
    {
        const QString field = valueListField(list);
        connector += u" ("_s;
        for (const CheckedItem &item : items) {
            const QString name = field + QString::number(item.position);
            line(connector + field + u" = :"_s + name);
            param(name, item.caption);
            connector = u"or "_s;
        }
        if (connector == u"or "_s)
            line(u")"_s);
        connector = u"and "_s;
    }

    void subFilters(const PanelSelection &selection, SubFilterSet on, std::optional<ValueList> skip = {})
    {
        if (on.priorities && skip != ValueList::Priority)
            subFilter(ValueList::Priority, selection.priorities);
        if (on.occurrences && skip != ValueList::Occurrence)
            subFilter(ValueList::Occurrence, selection.occurrences);
        if (on.categories && skip != ValueList::Category)
            subFilter(ValueList::Category, selection.categories);
    }

    void dateBounds(bool dueDate, DateTime from, DateTime to, bool leadingBlank)
    {
        const QString field = dueDate ? u"DueDateTime"_s : u"AlarmDateTime"_s;
        line(connector + (leadingBlank ? u" "_s : QString()) + field + u" >= :"_s + field + u"1"_s);
        line(u"and "_s + field + u" <= :"_s + field + u"2"_s);
        param(field + u"1"_s, from.toDouble());
        param(field + u"2"_s, to.toDouble());
        connector = u"and "_s;
    }

    FilterSql finish(const QString &order)
    {
        if (!order.trimmed().isEmpty())
            line(u"order by "_s + order);
        return sql;
    }
};

// The whole of a day: from 00:00:00.000 to 23:59:59.999.
DateTime dayStart(QDate day)
{
    return DateTime::fromDate(day);
}

DateTime dayEnd(QDate day)
{
    return DateTime::fromParts(DateTime::fromDate(day).dayNumber(), 86400000 - 1);
}

// Where "ORDER BY " stands in a line, without regard to case; -1 if nowhere.
qsizetype orderByAt(const QString &line)
{
    return line.indexOf(u"ORDER BY "_s, 0, Qt::CaseInsensitive);
}

bool endsWithSemicolon(const QString &line)
{
    QString trimmed = line;
    while (!trimmed.isEmpty() && trimmed.back().isSpace())
        trimmed.chop(1);
    return trimmed.endsWith(u';');
}
}

ViewState viewStateFromChoice(int choice)
{
    switch (choice) {
    case 1:
        return ViewState::Outstanding;
    case 2:
        return ViewState::Completed;
    default:
        return ViewState::All;
    }
}

QString viewStateText(ViewState state)
{
    switch (state) {
    case ViewState::Outstanding:
        return u"Outstanding Tasks"_s;
    case ViewState::Completed:
        return u"Completed Tasks"_s;
    default:
        return u"All Tasks"_s;
    }
}

QString valueListField(ValueList list)
{
    switch (list) {
    case ValueList::Priority:
        return u"Priority"_s;
    case ValueList::Occurrence:
        return u"Occurrence"_s;
    default:
        return u"Category"_s;
    }
}

const QList<CheckedItem> &PanelSelection::checked(ValueList list) const
{
    switch (list) {
    case ValueList::Priority:
        return priorities;
    case ValueList::Occurrence:
        return occurrences;
    default:
        return categories;
    }
}

QVariant FilterSql::param(const QString &name) const
{
    for (const auto &[key, value] : params)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

void FilterSql::applyTo(Query &query) const
{
    query.setSql(lines);
    for (const auto &[name, value] : params) {
        switch (value.typeId()) {
        case QMetaType::Bool:
            query.setParam(name, value.toBool());
            break;
        case QMetaType::Double:
            query.setParam(name, DateTime(value.toDouble()));
            break;
        default:
            query.setParam(name, value.toString());
        }
    }
}

FilterSql filterAll(ViewState state, const QString &order)
{
    Builder b;
    b.viewState(state);
    return b.finish(order);
}

FilterSql filterByList(ValueList main, const PanelSelection &selection, SubFilterSet subFilters, const QString &order)
{
    Builder b;
    b.viewState(selection.state);
    b.mainList(main, selection.checked(main));
    b.subFilters(selection, subFilters, main);
    return b.finish(order);
}

FilterSql filterByDateRange(const PanelSelection &selection, SubFilterSet subFilters, bool dueDate, DateTime from,
                            DateTime to, const QString &order)
{
    Builder b;
    b.viewState(selection.state);
    b.dateBounds(dueDate, from, to, false);
    b.subFilters(selection, subFilters);
    return b.finish(order);
}

FilterSql filterByCalendarDay(const PanelSelection &selection, SubFilterSet subFilters, bool dueDate, QDate day,
                              const QString &order)
{
    Builder b;
    b.viewState(selection.state);
    b.dateBounds(dueDate, dayStart(day), dayEnd(day), true);
    b.subFilters(selection, subFilters);
    return b.finish(order);
}

FilterSql calendarMonthMarks(const PanelSelection &selection, SubFilterSet subFilters, bool dueDate, QDate day)
{
    const QDate first(day.year(), day.month(), 1);
    Builder b;
    b.viewState(selection.state);
    b.dateBounds(dueDate, dayStart(first), dayEnd(first.addDays(first.daysInMonth() - 1)), false);
    b.subFilters(selection, subFilters);
    return b.finish(QString());
}

FilterSql taskSearch(ViewState state, const QString &text)
{
    Builder b;
    QString connector = u"where"_s;
    if (state != ViewState::All) {
        b.line(connector + u" Completed = :Completed"_s);
        b.param(u"Completed"_s, state == ViewState::Completed);
        connector = u"and"_s;
    }
    // The user's text is matched literally: the escape character makes its
    // own "%", "_" and "\" plain characters.
    b.line(connector + u" Task like :Search escape '\\'"_s);
    b.line(u"order by ID"_s);
    QString literal = text.trimmed();
    literal.replace(u"\\"_s, u"\\\\"_s).replace(u"%"_s, u"\\%"_s).replace(u"_"_s, u"\\_"_s);
    b.param(u"Search"_s, QString(u"%"_s + literal + u"%"_s));
    return b.sql;
}

FilterSql valueListQuery(ValueList list, ViewState state, bool restrictToState)
{
    // The values are found by leaping through the list's own (field,
    // Completed) index from one value to the next, a seek per value, instead
    // of reading an entry per task: every view switch reloads the three
    // lists, and a long task list holds few distinct values. In a view of
    // one state a value is listed when a task of that state holds it. The
    // values are distinct as "group by" makes them; the final order is the
    // grid's text order, which the query's last "order by" is given.
    const QString field = valueListField(list);
    const bool restricted = restrictToState && state != ViewState::All;
    const QString inState = restricted ? u" and Completed = :Completed"_s : QString();
    FilterSql sql;
    sql.lines << u"select %1 from ("_s.arg(field) << u"with recursive Step(Value) as ("_s
              << u"  select (select %1 from Tasks where %1 is not null order by %1 limit 1)"_s.arg(field)
              << u"  union all"_s
              << u"  select (select %1 from Tasks where %1 > Step.Value order by %1 limit 1)"_s.arg(field)
              << u"  from Step where Step.Value is not null)"_s
              << u"select null as %1 where exists (select 1 from Tasks where %1 is null%2)"_s.arg(field, inState)
              << u"union all"_s;
    if (restricted) {
        sql.lines << u"select Value from Step where Value is not null"_s
                  << u"and exists (select 1 from Tasks where %1 = Step.Value%2)"_s.arg(field, inState);
        sql.params.append({u"Completed"_s, state == ViewState::Completed});
    } else {
        sql.lines << u"select Value from Step where Value is not null"_s;
    }
    sql.lines << u")"_s << u"order by "_s + field;
    return sql;
}

void SetOrderBy(QStringList &lines, const QString &order)
{
    QString wanted = order.trimmed();
    if (wanted.compare(u"DESC"_s, Qt::CaseInsensitive) == 0)
        wanted.clear();
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        const qsizetype at = orderByAt(lines.at(i));
        if (at < 0)
            continue;
        const QString &old = lines.at(i);
        QString replaced = wanted.isEmpty() ? old.left(at) : old.left(at + 9) + wanted;
        if (endsWithSemicolon(old))
            replaced += u';';
        lines[i] = replaced;
        return;
    }
    if (wanted.isEmpty())
        return;
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    if (lines.isEmpty())
        return;
    QString &last = lines.last();
    if (endsWithSemicolon(last)) {
        while (last.back().isSpace())
            last.chop(1);
        last.chop(1);
        lines << u"ORDER BY "_s + wanted + u";"_s;
    } else {
        lines << u"ORDER BY "_s + wanted;
    }
}

QString GetOrderBy(const QStringList &lines)
{
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        const qsizetype at = orderByAt(lines.at(i));
        if (at < 0)
            continue;
        QString order = lines.at(i).mid(at + 9).trimmed();
        if (order.endsWith(u';'))
            order.chop(1);
        return order.trimmed();
    }
    return {};
}

const QStringList &dateRangePeriods()
{
    static const QStringList periods = {u"Yesterday"_s,  u"Today"_s,     u"Tomorrow"_s,   u"Last Week"_s,
                                        u"This Week"_s,  u"Next Week"_s, u"Last Month"_s, u"This Month"_s,
                                        u"Next Month"_s, u"Last Year"_s, u"This Year"_s,  u"Next Year"_s};
    return periods;
}

QDate mondayRule(QDate date)
{
    const int weekday = date.dayOfWeek() % 7 + 1; // Sunday 1 ... Saturday 7
    return date.addDays(2 - weekday);
}

std::optional<std::pair<QDate, QDate>> dateRangeBounds(int period, QDate today)
{
    const auto day = [](QDate d) { return std::pair{d, d}; };
    const auto week = [](QDate monday) { return std::pair{monday, monday.addDays(6)}; };
    const auto month = [](QDate d) {
        const QDate first(d.year(), d.month(), 1);
        return std::pair{first, first.addDays(first.daysInMonth() - 1)};
    };
    const auto year = [](int y) { return std::pair{QDate(y, 1, 1), QDate(y, 12, 31)}; };
    switch (period) {
    case 0: return day(today.addDays(-1));
    case 1: return day(today);
    case 2: return day(today.addDays(1));
    case 3: return week(mondayRule(today.addDays(-7)));
    case 4: return week(mondayRule(today));
    case 5: return week(mondayRule(today.addDays(7)));
    case 6: return month(today.addMonths(-1));
    case 7: return month(today);
    case 8: return month(today.addMonths(1));
    case 9: return year(today.year() - 1);
    case 10: return year(today.year());
    case 11: return year(today.year() + 1);
    default: return std::nullopt;
    }
}
