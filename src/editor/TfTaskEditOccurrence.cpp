// The task editor's occurrence controls, due and alarm pickers, snoozing
// and completion.

#include "editor/TfTaskEdit.h"
#include "ui_TfTaskEdit.h"

#include "alarm/DateArithmetic.h"
#include "alarm/Recurrence.h"
#include "core/AppState.h"
#include "core/Clock.h"
#include "core/DateFormat.h"
#include "core/Error.h"
#include "editor/OccurrenceRules.h"
#include "editor/TfMonthDay.h"
#include "editor/TfOccurrenceSettings.h"
#include "toolkit/Prompter.h"

using namespace Qt::StringLiterals;

// Occurrence --------------------------------------------------------------------

bool TfTaskEdit::UsesOccurrenceSettings() const
{
    return occurrence::usesSettings(ui->cbOccurrence->currentText());
}

void TfTaskEdit::cbOccurrenceChange()
{
    const QString kind = ui->cbOccurrence->currentText();
    ui->sbOccurrenceSettings->setVisible(UsesOccurrenceSettings());
    const bool prompted = occurrence::isPrompted(kind);
    ui->tsTaskSettings->setEnabled(prompted);
    ui->cbSnoozeTime->setEnabled(prompted);
    ui->sbSnooze->setEnabled(prompted);
    ui->sbSnoozeDropDown->setEnabled(prompted);
    ui->sbApplyOccurrence->setEnabled(m_mode == TaskEditorMode::Prompt && occurrence::recurs(kind));
    ValidateTaskInput();
    showOccurrenceRule();
}

// Beside the occurrence: the repeat in words and the next three alarm
// times, as the alarm scan will move the task on.
void TfTaskEdit::showOccurrenceRule()
{
    const QString kind = ui->cbOccurrence->currentText().trimmed();
    QString text;
    if (occurrence::recurs(kind)) {
        const occurrence::Working w = workingOccurrence();
        text = occurrence::ruleInWords(kind, w.frequency, w.validHours, w.validDays);
        QStringList times;
        for (const DateTime at : NextAlarms(m_host.clock, due(), alarm(), kind, w.frequency, w.validHours,
                                            w.validDays, 3, AnchorDayToKeep(kind, due(), m_storedAnchorDay)))
            times << dateTimeText(at, m_host.state.Formats);
        if (!times.isEmpty())
            text += u" \u2014 "_s + tr("next alarms: %1").arg(times.join(u"; "_s));
    }
    ui->lOccurrenceRule->setText(text);
}

occurrence::Working TfTaskEdit::workingOccurrence() const
{
    occurrence::Working working = m_working;
    if (!m_daysChosen)
        working.validDays = occurrence::defaultValidDays(ui->cbOccurrence->currentText().trimmed());
    return working;
}

void TfTaskEdit::sbOccurrenceSettingsClick()
{
    const QString kind = ui->cbOccurrence->currentText();
    const occurrence::Working shown = workingOccurrence();
    if (kind == u"MonthDay"_s) {
        TfMonthDay dialog(this);
        dialog.load(shown.frequency, shown.validDays);
        if (dialog.exec() != QDialog::Accepted)
            return;
        m_working.validDays = dialog.validDays();
        m_working.frequency = dialog.frequency();
        m_daysChosen = true;
        showOccurrenceRule();
        // Both dates go a week back, so the next occurrence is the first
        // chosen day of the month from now on.
        const DateTime weekBack = AddWeeks(m_host.clock.now(), -1);
        setDue(DateTime::fromDateAndTime(weekBack.date(), ui->meDueTime->time()));
        setAlarm(DateTime::fromDateAndTime(weekBack.date(), ui->meAlarmTime->time()));
        if (ui->sbApplyOccurrence->isEnabled())
            sbApplyOccurrenceClick();
        return;
    }
    TfOccurrenceSettings dialog(m_host.prompter, this);
    dialog.load(kind, shown.frequency, shown.validHours, shown.validDays);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_working.frequency = dialog.frequency();
    m_working.validHours = dialog.validHours();
    m_working.validDays = dialog.validDays();
    m_daysChosen = true;
    showOccurrenceRule();
}

void TfTaskEdit::sbApplyOccurrenceClick()
{
    const occurrence::Working working = workingOccurrence();
    const QString kind = ui->cbOccurrence->currentText();
    const DueAndAlarm next = AdvanceOccurrence(m_host.clock, due(), alarm(), kind, working.frequency,
                                               working.validHours, working.validDays,
                                               AnchorDayToKeep(kind, due(), m_storedAnchorDay));
    setDue(next.due);
    setAlarm(next.alarm);
    m_occurrenceApplied = true;
    if (m_host.state.AutoCloseOnApply)
        bbOKClick();
}

// Due and alarm pickers ------------------------------------------------------------

namespace {
// The pickers show hours and minutes only, so they hold whole minutes: a
// time taken from the clock must not carry seconds the user cannot see
// into the stored alarm (which would then come that much late).
QTime wholeMinute(QTime time)
{
    return QTime(time.hour(), time.minute());
}
} // namespace

// Setting the pickers from code does not count as the user's change.
void TfTaskEdit::setDue(DateTime value)
{
    const QSignalBlocker blockDate(ui->dtpDueDate), blockTime(ui->meDueTime);
    ui->dtpDueDate->setDate(value.date());
    ui->meDueTime->setTime(wholeMinute(value.time()));
    showOccurrenceRule();
}

void TfTaskEdit::setAlarm(DateTime value)
{
    const QSignalBlocker blockDate(ui->dtpAlarmDate), blockTime(ui->meAlarmTime);
    ui->dtpAlarmDate->setDate(value.date());
    ui->meAlarmTime->setTime(wholeMinute(value.time()));
    showOccurrenceRule();
}

DateTime TfTaskEdit::due() const
{
    return DateTime::fromDateAndTime(ui->dtpDueDate->date(), wholeMinute(ui->meDueTime->time()));
}

DateTime TfTaskEdit::alarm() const
{
    return DateTime::fromDateAndTime(ui->dtpAlarmDate->date(), wholeMinute(ui->meAlarmTime->time()));
}

// The user moved the due date or time: the alarm follows it.
void TfTaskEdit::dueChangedByUser()
{
    setAlarm(due());
}

// Snoozing ------------------------------------------------------------------------

void TfTaskEdit::sbSnoozeClick()
{
    const QString text = ui->cbSnoozeTime->currentText().trimmed();
    if (text.isEmpty())
        return;
    bool ok = false;
    const int minutes = text.toInt(&ok);
    if (!ok)
        throw Error(tr("The snooze time \"%1\" is not a whole number of minutes.").arg(text));
    setAlarm(snoozedAlarm(SnoozeUnit::Minutes, minutes, m_host.clock.now()));
}

void TfTaskEdit::snoozeBy(SnoozeUnit unit, int n)
{
    setAlarm(snoozedAlarm(unit, n, m_host.clock.now()));
}

// Auto-snooze ---------------------------------------------------------------------

void TfTaskEdit::cbAutoSnoozeClick()
{
    const bool on = ui->cbAutoSnooze->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(ui->lAutoSnoozeFor), static_cast<QWidget *>(ui->seRepeatAutoSnooze),
                       static_cast<QWidget *>(ui->lTimesThen), static_cast<QWidget *>(ui->rbApplyOccurence),
                       static_cast<QWidget *>(ui->rbMarkAsComplete), static_cast<QWidget *>(ui->rbDeleteTask)})
        w->setEnabled(on);
}

void TfTaskEdit::setAutoSnoozeAction(std::optional<int> action)
{
    // Radio buttons of one group refuse to be all off; for a stored value
    // that names no action they are switched off one by one.
    QRadioButton *buttons[] = {ui->rbApplyOccurence, ui->rbDeleteTask, ui->rbMarkAsComplete};
    for (int i = 0; i < 3; ++i) {
        QRadioButton *b = buttons[i];
        const bool on = action && *action == i + 1;
        b->setAutoExclusive(false);
        b->setChecked(on);
        b->setAutoExclusive(true);
    }
}

std::optional<int> TfTaskEdit::autoSnoozeAction() const
{
    if (ui->rbApplyOccurence->isChecked())
        return 1;
    if (ui->rbDeleteTask->isChecked())
        return 2;
    if (ui->rbMarkAsComplete->isChecked())
        return 3;
    return std::nullopt;
}

// Completion ----------------------------------------------------------------------

void TfTaskEdit::cbCompletedClick()
{
    if (ui->cbCompleted->isChecked()) {
        ui->sePercentageComplete->setValue(100);
        setCompletedPanel(completedPanelText(m_host.clock.now(), m_host.state.Formats));
        return;
    }
    if (m_host.prompter.confirm(u"Making the task un-complete will reset the completed date and the percentage "
                                u"complete. Are you sure you want to do this?"_s)) {
        setCompletedPanel(QString());
        ui->sePercentageComplete->setValue(0);
    } else {
        // The task stays complete, as the answer says.
        const QSignalBlocker block(ui->cbCompleted);
        ui->cbCompleted->setChecked(true);
    }
}

void TfTaskEdit::sePercentageCompleteChange()
{
    ValidateTaskInput();
    if (ui->sePercentageComplete->value() >= 100) {
        ui->cbCompleted->setChecked(true);
        setCompletedPanel(completedPanelText(m_host.clock.now(), m_host.state.Formats));
    }
}
