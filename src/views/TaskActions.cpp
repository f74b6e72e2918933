#include "views/TaskActions.h"

#include "core/AppState.h"
#include "core/Clock.h"
#include "store/DataModule.h"
#include "store/UndoJournal.h"
#include "toolkit/Prompter.h"
#include "views/FilterBuilder.h"
#include "views/TaskGrid.h"
#include "views/TfTaskFields.h"
#include "views/ViewPanel.h"

#include <QScopeGuard>
#include <QSignalBlocker>

using namespace Qt::StringLiterals;

TaskActions::TaskActions(TDM &dm, AppState &state, Prompter &prompter, const Clock &clock, ViewPanel &panel,
                         TaskGrid &grid, QObject *parent)
    : QObject(parent), m_dm(dm), m_state(state), m_prompter(prompter), m_clock(clock), m_panel(panel), m_grid(grid)
{
}

bool TaskActions::hasCurrentTask() const
{
    return m_dm.qTasks.isOpen() && m_dm.qTasks.recNo() >= 0;
}

void TaskActions::openEditor(TaskEditorMode mode)
{
    if (m_openEditor)
        m_openEditor(mode);
}

void TaskActions::aTaskAddExecute()
{
    openEditor(TaskEditorMode::Add);
}

void TaskActions::aTaskEditExecute()
{
    if (!hasCurrentTask())
        return;
    openEditor(TaskEditorMode::Edit);
    if (m_panel.calendarActive())
        m_panel.MarkCalendarDays();
}

void TaskActions::aTaskDuplicateExecute()
{
    if (hasCurrentTask())
        openEditor(TaskEditorMode::Duplicate);
}

void TaskActions::aNudgewickExecute()
{
    openEditor(TaskEditorMode::Prompt);
    if (m_panel.calendarActive())
        m_panel.MarkCalendarDays();
}

void TaskActions::aTaskDeleteExecute()
{
    if (!hasCurrentTask())
        return;
    const QString task = m_dm.qTasks.fieldByName(u"Task"_s).asString().trimmed();
    if (!m_prompter.confirm(u"Remove \"%1\"?"_s.arg(task)))
        return;
    const qint64 id = m_dm.qTasks.fieldByName(u"ID"_s).asInteger();
    m_dm.ADOConnection.step(UndoJournal::taskLabel(m_dm.ADOConnection, tr("Delete %1"), id),
                            [&] { m_dm.qTasks.deleteRow(); });
    m_panel.RefreshPriorityList();
    m_panel.RefreshCategoryList();
    m_panel.RefreshOccurrenceList();
    if (m_panel.calendarActive())
        m_panel.MarkCalendarDays();
    m_state.requestScan();
}

void TaskActions::Movetaskstotoday1Click()
{
    if (!m_prompter.confirm(u"Are you sure you want to MOVE the current tasks to today?"_s))
        return;
    Query &tasks = m_dm.qTasks;
    if (!tasks.isOpen() || tasks.recordCount() == 0)
        return;
    if (m_beforeBulkChange)
        m_beforeBulkChange();
    const qint64 today = m_clock.now().dayNumber();
    const int current = tasks.recNo();
    const int due = tasks.fieldIndex(u"DueDateTime"_s);
    const int alarm = tasks.fieldIndex(u"AlarmDateTime"_s);
    // Each date keeps its time of day (an empty one counts as 00:00). The
    // rows are written in one transaction, so a failure changes none; the
    // list is then read again to show what the database holds.
    try {
        const QSignalBlocker quiet(tasks);
        m_dm.ADOConnection.step(tasks.recordCount() == 1 ? tr("Move 1 task to today") : tr("Move %1 tasks to today").arg(tasks.recordCount()), [&] {
            for (int row = 0; row < tasks.recordCount(); ++row) {
                tasks.moveTo(row);
                tasks.edit();
                for (int column : {due, alarm}) {
                    const QVariant old = tasks.valueAt(row, column);
                    const int msecs = old.isNull() ? 0 : DateTime(old.toDouble()).msecsOfDay();
                    tasks.setFieldValue(column, DateTime::fromParts(today, msecs).toDouble());
                }
                tasks.post();
            }
        });
    } catch (...) {
        m_dm.RequeryTaskList();
        throw;
    }
    tasks.moveTo(current);
    emit m_dm.dsTasks.dataChange();
    m_grid.viewport()->update();
    if (m_panel.calendarActive())
        m_panel.MarkCalendarDays();
    m_state.requestScan();
}

void TaskActions::Movetasktotoday1Click()
{
    if (!hasCurrentTask())
        return;
    if (!m_prompter.confirm(u"Are you sure you want to MOVE the selected task to today?"_s))
        return;
    // The task becomes due at once, so the next alarm scan prompts it.
    Query &tasks = m_dm.qTasks;
    const DateTime now = m_clock.now();
    const qint64 id = tasks.fieldByName(u"ID"_s).asInteger();
    tasks.edit();
    tasks.setFieldValue(u"DueDateTime"_s, now.toDouble());
    tasks.setFieldValue(u"AlarmDateTime"_s, now.toDouble());
    m_dm.ADOConnection.step(UndoJournal::taskLabel(m_dm.ADOConnection, tr("Move %1 to today"), id),
                            [&] { tasks.post(); });
    m_grid.viewport()->update();
    if (m_panel.calendarActive())
        m_panel.MarkCalendarDays();
    m_state.requestScan();
}

void TaskActions::aLongDateFormatExecute(bool checked)
{
    m_state.LongDateFormat = checked;
    m_dm.ApplyDateDisplayFormat();
    m_grid.fitDateColumns();
    m_grid.viewport()->update();
    if (m_saveSettings)
        m_saveSettings();
}

void TaskActions::aShowFieldsExecute(QWidget *parent)
{
    TfTaskFields dialog(parent);
    QList<std::pair<QString, bool>> fields;
    for (const QString &field : m_grid.visualFields())
        fields.append({field, m_grid.isFieldVisible(field)});
    dialog.setFields(fields);
    if (dialog.exec() != QDialog::Accepted)
        return;
    for (const auto &[field, shown] : dialog.fields())
        m_grid.setFieldVisible(field, shown);
}

void TaskActions::dbgTasksOrderChanged()
{
    Query &tasks = m_dm.qTasks;
    m_grid.setUpdatesEnabled(false);
    const auto resume = qScopeGuard([this] { m_grid.setUpdatesEnabled(true); });
    QStringList lines = tasks.sql();
    SetOrderBy(lines, m_grid.orderList());
    // Nothing changed since the list was read: the listed rows are put in
    // the new order (only the order's columns are read for it), which is
    // what reading them again would give.
    if (!m_dm.taskListOutdated() && tasks.reorder(lines)) {
        m_grid.clearSelection();
        return;
    }
    const int idColumn = tasks.fieldIndex(u"ID"_s);
    const QVariant id = hasCurrentTask() && idColumn >= 0 ? tasks.valueAt(tasks.recNo(), idColumn) : QVariant();
    tasks.close();
    m_grid.clearSelection();
    tasks.setSql(lines);
    // The engine orders text as the result set's own sort would, so the
    // rows need no second sort here.
    tasks.open();
    if (!id.isNull())
        tasks.locate(u"ID"_s, id);
    if (m_grid.orderList().isEmpty())
        m_grid.setOrderList(GetOrderBy(tasks.sql()), false);
}
