// The task editor's save and delete.

#include "editor/TfTaskEdit.h"
#include "ui_TfTaskEdit.h"

#include "core/AppState.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "alarm/Recurrence.h"
#include "store/AnchorDays.h"
#include "store/DataModule.h"
#include "store/UndoJournal.h"
#include "toolkit/Prompter.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
// Refusals of input that cannot be stored; the save stops before anything
// is written and the user's input stays in the dialog.
class InputRefused : public Error
{
public:
    using Error::Error;
};
}

TaskValues TfTaskEdit::gatherValues() const
{
    TaskValues v;
    v.task = ui->mTask->toPlainText().trimmed();
    v.category = ui->cbCategory->currentText().trimmed();
    if (v.task.isEmpty() || v.category.isEmpty() || ui->cbOccurrence->currentIndex() < 0)
        throw InputRefused(tr("A task needs a description, a category and an occurrence."));
    if (v.category.size() > MaxCategoryLength)
        throw InputRefused(tr("The category \"%1\" is %2 characters long; a category holds at most %3 characters.")
                               .arg(v.category)
                               .arg(v.category.size())
                               .arg(MaxCategoryLength));
    std::optional<int> snooze = parseSnoozeMinutes(ui->cbSnoozeTime->currentText());
    if (!snooze && !ui->tsTaskSettings->isEnabled()) {
        // Kinds that are never prompted do not use the snooze time and do
        // not let the user change it: it is kept in range as the settings'
        // default would be.
        bool whole = false;
        const int minutes = ui->cbSnoozeTime->currentText().trimmed().toInt(&whole);
        snooze = whole ? std::clamp(minutes, 0, MaxSnoozeMinutes) : 5;
    }
    if (!snooze)
        throw InputRefused(tr("The snooze time \"%1\" is not valid: enter a whole number of minutes from 0 to %2.")
                               .arg(ui->cbSnoozeTime->currentText().trimmed())
                               .arg(MaxSnoozeMinutes));

    v.priority = ui->sePriority->value();
    v.occurrence = ui->cbOccurrence->currentText().trimmed();
    const occurrence::Working working = workingOccurrence();
    v.frequency = working.frequency;
    v.validHours = working.validHours;
    v.validDays = working.validDays;
    v.due = due();
    v.alarm = alarm();
    v.completed = ui->cbCompleted->isChecked();
    v.percentageComplete = ui->sePercentageComplete->value();
    v.completedDate = completedDateToStore(v.completed, m_panels[2]->text(), m_host.state.Formats, m_host.clock.now());
    v.notes = ui->mNotes->toPlainText().trimmed();
    v.snoozeTime = *snooze;
    v.autoSnooze = ui->cbAutoSnooze->isChecked();
    v.repeatAutoSnooze = ui->seRepeatAutoSnooze->value();
    v.autoSnoozeAction = autoSnoozeAction();
    v.anchorDay = AnchorDayToKeep(v.occurrence, v.due, m_storedAnchorDay);
    return v;
}

bool TfTaskEdit::sbSaveClick()
{
    // Spin boxes take what was typed into them before the values are read.
    ui->sePriority->interpretText();
    ui->sePercentageComplete->interpretText();
    ui->seRepeatAutoSnooze->interpretText();

    TaskValues values;
    try {
        values = gatherValues();
    } catch (const InputRefused &refused) {
        m_host.prompter.exclamation(refused.text());
        return false;
    }

    TDM &dm = m_host.dm;
    const int target = m_mode == TaskEditorMode::Edit || m_mode == TaskEditorMode::Prompt ? m_editedTaskId
                                                                                            : m_savedCopyId;
    const QString title = u"\u201C%1\u201D"_s.arg(values.task.simplified());
    if (target == 0) {
        const int id = saveNewTask(dm, values, m_host.clock.now(),
                                   m_mode == TaskEditorMode::Duplicate ? tr("Duplicate %1").arg(title) : tr("Add %1").arg(title));
        // A copy is made once; saving the same dialog again changes that copy.
        if (m_mode == TaskEditorMode::Duplicate)
            m_savedCopyId = id;
    } else {
        // A prompt's Done or snooze while this editor was open is kept
        // where the user left those fields as they were.
        const bool ownRow = target == m_editedTaskId;
        if (ownRow) {
            if (const std::optional<TaskTimes> stored = TaskTimes::read(dm.ADOConnection, target);
                stored && *stored != m_timesLoaded) {
                const TaskValues merged = withStoredTimes(values, m_timesShown, m_timesLoaded, *stored);
                if (TaskTimes::of(merged) != TaskTimes::of(values)) {
                    values = merged;
                    showTimes(values);
                }
            }
        }
        Query update(dm.ADOConnection);
        prepareTaskUpdate(update, target, values);
        dm.ADOConnection.step(m_occurrenceApplied ? tr("Apply Occurrence to %1").arg(title) : tr("Edit %1").arg(title), [&] {
            if (update.execSql() == 0)
                throw Error(tr("The task could not be saved: it is no longer in the task list."));
            anchordays::write(dm.ADOConnection, target, values.anchorDay);
        });
        m_occurrenceApplied = false;
        if (ownRow) {
            m_timesLoaded = TaskTimes::of(values);
            m_timesShown = shownTimes();
        }
    }
    m_storedAnchorDay = values.anchorDay;
    ui->sbSave->setVisible(false);
    if (target != 0)
        dm.RequeryTaskList();
    emit tasksChanged();
    m_host.state.requestScan();
    m_shownInput = inputSnapshot();
    return true;
}

void TfTaskEdit::bbOKClick()
{
    // Enter in a field presses OK only when OK is offered; a refused or
    // failed save keeps the dialog open with the user's input.
    if (!ui->bbOK->isEnabled())
        return;
    if (sbSaveClick())
        accept();
}

void TfTaskEdit::sbDelete0Click()
{
    if (!m_host.prompter.confirm(u"Are you sure you want to delete this task?"_s))
        return;
    TDM &dm = m_host.dm;
    Query remove(dm.ADOConnection);
    remove.setSql({u"delete from Tasks"_s, u"where id = :id"_s});
    const qint64 id = m_savedCopyId ? m_savedCopyId : m_editedTaskId;
    remove.setParam(u"ID"_s, id);
    dm.ADOConnection.step(UndoJournal::taskLabel(dm.ADOConnection, tr("Delete %1"), id), [&] { remove.execSql(); });
    emit tasksChanged();
    dm.RequeryTaskList();
    m_host.state.requestScan();
    QDialog::reject();
}
