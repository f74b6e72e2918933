#pragma once

#include "core/DateTime.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <utility>

class Query;

// The SQL text of every view of the task list, built line by line from the
// state of the view panel, without any widget. Each condition line starts
// with the running connector ("where ", "and ", "or ", or one of the first
// two followed by " (" when a group opens); a group closes with ")".

// A value no task holds: a main list with nothing checked compares its
// column with it, so the grid shows nothing and the SQL stays well formed.
inline const QString NoMatchValue = QStringLiteral("~!@#$%^&*()");

// Which tasks a view lists: all, outstanding or completed ones.
enum class ViewState { All, Outstanding, Completed };
ViewState viewStateFromChoice(int choice); // 0, 1, 2; anything else is All
QString viewStateText(ViewState state);    // "All Tasks", ...

// A checked item of a value list: its position in the list and its caption.
struct CheckedItem
{
    int position;
    QString caption;
};

// The three value lists of the panel.
enum class ValueList { Priority, Occurrence, Category };
QString valueListField(ValueList list); // "Priority", "Occurrence", "Category"

// The panel's selection: the view state and the checked items of each list.
struct PanelSelection
{
    ViewState state = ViewState::All;
    QList<CheckedItem> priorities;
    QList<CheckedItem> occurrences;
    QList<CheckedItem> categories;
    const QList<CheckedItem> &checked(ValueList list) const;
};

// The sub-filter boxes ("Include only selected:") of one tab.
struct SubFilterSet
{
    bool priorities = false;
    bool occurrences = false;
    bool categories = false;
};

// SQL lines and the parameter values they name.
struct FilterSql
{
    QStringList lines;
    QList<std::pair<QString, QVariant>> params; // bool, QString, or DateTime as double

    QVariant param(const QString &name) const;
    // Replaces the query's text by these lines and sets the parameters.
    void applyTo(Query &query) const;
};

// The views. `order` is the grid's order list; an empty one leaves the
// order line out.
FilterSql filterAll(ViewState state, const QString &order);
FilterSql filterByList(ValueList main, const PanelSelection &selection, SubFilterSet subFilters, const QString &order);
FilterSql filterByDateRange(const PanelSelection &selection, SubFilterSet subFilters, bool dueDate, DateTime from,
                            DateTime to, const QString &order);
FilterSql filterByCalendarDay(const PanelSelection &selection, SubFilterSet subFilters, bool dueDate, QDate day,
                              const QString &order);
// The tasks of the month that holds `day`, for marking the calendar.
FilterSql calendarMonthMarks(const PanelSelection &selection, SubFilterSet subFilters, bool dueDate, QDate day);
// The search for a text anywhere in the task description, ordered by ID.
// "%" and "_" in the text match themselves.
FilterSql taskSearch(ViewState state, const QString &text);

// The values offered by one value list. `restrictToState` is the list's
// all-values box: only with it does the view state narrow the values.
FilterSql valueListQuery(ValueList list, ViewState state, bool restrictToState);

// Reads and replaces the order clause of an SQL text.
void SetOrderBy(QStringList &lines, const QString &order);
QString GetOrderBy(const QStringList &lines);

// The periods of the Date Range tab, in the order of its drop-down list.
const QStringList &dateRangePeriods();
// The first and last day of a period (its position in the list above) as
// seen on `today`; nothing for a position outside the list.
std::optional<std::pair<QDate, QDate>> dateRangeBounds(int period, QDate today);
// The Monday of the week of `date`; for a Sunday, the following Monday.
QDate mondayRule(QDate date);
