#include "alarm/AlarmScan.h"

#include "alarm/PopupPrompts.h"
#include "alarm/PromptAnswers.h"
#include "alarm/PromptRoute.h"
#include "alarm/Recurrence.h"
#include "alarm/RecurrenceRule.h"
#include "core/AppState.h"
#include "core/Clock.h"
#include "core/DateFormat.h"
#include "core/Error.h"
#include "core/Logging.h"
#include "popup/MSNPopUp.h"
#include "popup/PopupWindow.h"
#include "store/AnchorDays.h"
#include "store/DataModule.h"
#include "toolkit/Prompter.h"
#include "toolkit/SoundPlayer.h"

using namespace Qt::StringLiterals;

namespace {

// The final actions of auto-snooze, as the editor stores them.
enum AutoSnoozeAction { ApplyOccurrence = 1, DeleteTask = 2, MarkComplete = 3 };

// Two characters that are both decimal digits, as a number; -1 otherwise.
int twoDigits(QStringView text)
{
    if (text.size() != 2 || !text[0].isDigit() || !text[1].isDigit())
        return -1;
    return text[0].digitValue() * 10 + text[1].digitValue();
}

// Each quarter minute of the time line gets its own number, so a pass can
// tell that a new quarter has begun even when a tick skipped a second or the
// clock jumped.
qint64 quarterMinute(DateTime t)
{
    return (t.dayNumber() * 86400000 + t.msecsOfDay()) / 15000;
}

// Milliseconds from one date-time to a later one.
qint64 msecsSince(DateTime from, DateTime to)
{
    return (to.dayNumber() - from.dayNumber()) * 86400000 + to.msecsOfDay() - from.msecsOfDay();
}

} // namespace

AlarmScan::AlarmScan(TDM &dm, AppState &state, const Clock &clock, TMSNPopUp &popup, SoundPlayer &sound,
                     Prompter &prompter, Hooks hooks)
    : m_dm(dm),
      m_state(state),
      m_clock(clock),
      m_popup(popup),
      m_sound(sound),
      m_prompter(prompter),
      m_hooks(std::move(hooks)),
      m_due(dm.ADOConnection),
      m_snooze(dm.ADOConnection),
      m_advance(dm.ADOConnection),
      m_complete(dm.ADOConnection),
      m_delete(dm.ADOConnection),
      m_next(dm.ADOConnection)
{
    m_due.setSql({u"select *"_s, u"from Tasks"_s, u"where AlarmDateTime <= :AlarmDateTime"_s,
                  u"and Occurrence <> 'Immediate'"_s, u"and Occurrence <> 'Todo'"_s, u"and Completed = False"_s,
                  u"order by AlarmDateTime"_s});
    m_snooze.setSql({u"update Tasks"_s, u"set AlarmDateTime = :AlarmDateTime, RepeatAutoSnooze = :RepeatAutoSnooze"_s,
                     u"where ID = :ID"_s});
    m_advance.setSql({u"update Tasks"_s, u"set DueDateTime = :DueDateTime, AlarmDateTime = :AlarmDateTime"_s,
                      u"where ID = :ID"_s});
    m_complete.setSql({u"update Tasks"_s, u"set AutoSnooze = False, Completed = True"_s, u"where ID = :ID"_s});
    m_delete.setSql({u"delete"_s, u"from Tasks"_s, u"where ID = :ID"_s});
    // In index order with a limit, so the read stops at the first match
    // instead of visiting every open task ahead.
    m_next.setSql({u"select AlarmDateTime as NextAlarm"_s, u"from Tasks"_s,
                   u"where AlarmDateTime > :AlarmDateTime"_s, u"and Occurrence <> 'Immediate'"_s,
                   u"and Occurrence <> 'Todo'"_s, u"and Completed = False"_s, u"order by AlarmDateTime"_s,
                   u"limit 1"_s});
}

QSet<qint64> AlarmScan::promptsOnScreen() const
{
    QSet<qint64> ids;
    for (const TfrmMSNPopUp *window : m_popup.popupWindows()) {
        bool ok = false;
        const qint64 id = window->url().trimmed().toLongLong(&ok);
        if (ok)
            ids.insert(id);
    }
    if (m_route)
        ids.unite(m_route->openTaskIds());
    return ids;
}

bool AlarmScan::tPopupTimer()
{
    // While the desktop's service is asked what it offers, nothing is
    // prompted where the user may not want it.
    if (m_route && m_route->deciding())
        return false;
    const DateTime now = m_clock.now();
    const qint64 quarter = quarterMinute(now);
    const bool alarmCame = !m_nextAlarm.isZero() && m_nextAlarm <= now;
    // A notification that went without an answer (timed out, closed) leaves
    // its task due: it is prompted again at once.
    const QSet<qint64> onScreen = promptsOnScreen();
    bool promptGone = false;
    for (const qint64 id : std::as_const(m_onScreen))
        promptGone = promptGone || !onScreen.contains(id);
    m_onScreen = onScreen;
    // Otherwise nothing is read until the next quarter minute or alarm, so
    // an idle program does not touch the database; notifications on screen
    // hold back no pass, only their own tasks.
    if (!m_state.ScanPending && quarter == m_lastQuarter && !alarmCame && !promptGone)
        return false;
    m_lastQuarter = quarter;

    try {
        scan();
    } catch (const Error &e) {
        // The timer goes on and the next pass tries again. While one report
        // is open (its message box runs the event loop, so passes go on
        // behind it) further failures are only logged instead of stacking
        // one box on another.
        qCWarning(lcAlarm) << "scan failed:" << e.text();
        if (!m_reporting) {
            m_reporting = true;
            struct Reset {
                bool &flag;
                ~Reset() { flag = false; }
            } reset{m_reporting};
            m_prompter.error(e.text());
        }
    }
    return true;
}

bool AlarmScan::outsideValidTimes(const QString &occurrence, const QString &validHours, const QString &validDays,
                                  DateTime now)
{
    bool skip = false;
    if (occurrence == u"Hourly"_s && validHours.trimmed().size() == 5) {
        // A range whose hours are not both two digits restricts nothing.
        const int first = twoDigits(QStringView(validHours).mid(0, 2));
        const int last = twoDigits(QStringView(validHours).mid(3, 2));
        if (first >= 0 && last >= 0)
            skip = now.hour() < first || now.hour() > last;
    }
    if (occurrence == u"Hourly"_s || occurrence == u"Daily"_s) {
        // The mask runs Monday to Sunday; the clock's weekday runs Sunday = 1.
        if (validDays.trimmed().size() == 7) {
            static const QString letters = u"MTWTFSS"_s;
            const int position = (now.dayOfWeek() + 5) % 7;
            if (validDays.at(position) != letters.at(position))
                skip = true;
            if (validDays == u"_______"_s)
                skip = false;
        } else {
            skip = false;
        }
    }
    return skip;
}

void AlarmScan::scan()
{
    m_state.ScanPending = false;
    const DateTime now = m_clock.now();
    m_written = false;
    m_autoSnoozed.clear();
    if (m_requeryPending && !m_state.CurrentTaskEditor) {
        m_requeryPending = false;
        m_written = true;
    }

    try {
        m_due.close();
        m_due.setParam(u"AlarmDateTime"_s, now);
        m_due.open();
        qCDebug(lcAlarm) << m_due.recordCount() << "tasks due at" << now.toQDateTime();
        // A task whose notification is still on screen is left as it is
        // until that is answered or gone: it is not prompted twice, and its
        // auto-snooze does not count on behind the open notification.
        const QSet<qint64> onScreen = promptsOnScreen();
        QList<DueTask> due;
        for (; !m_due.eof(); m_due.next()) {
            const qint64 id = m_due.fieldByName(u"ID"_s).asInteger();
            if (onScreen.contains(id))
                continue;
            bool skip = outsideValidTimes(m_due.fieldByName(u"Occurrence"_s).asString(),
                                          m_due.fieldByName(u"ValidHours"_s).asString(),
                                          m_due.fieldByName(u"ValidDays"_s).asString(), now);
            if (m_hooks.editorOpenOn && m_hooks.editorOpenOn(id))
                skip = true;
            // An alarm too late to be worth a popup: a repeating task moves
            // on to its next occurrence, listed as skipped; any other stays
            // due, listed only.
            bool late = false;
            bool advanced = false;
            DateTime skippedTo;
            if (!skip && lateAlarm(m_due, now)) {
                advanced = applyOccurrence(m_due, &skippedTo);
                late = !advanced;
            }
            if (!advanced && m_due.fieldByName(u"AutoSnooze"_s).asBoolean())
                skip = autoSnooze(m_due, now, skip) == Outcome::Skip;
            if (!skip) {
                const DateTime alarm = m_due.fieldByName(u"AlarmDateTime"_s).asDateTime();
                due.append({id, alarm, m_due.fieldByName(u"Category"_s).asString(),
                            m_due.fieldByName(u"Task"_s).asString(), late, m_due.recNo(),
                            advanced ? skippedTo : DateTime(), m_autoSnoozed.value(id, alarm)});
            }
        }
        // The pass has all its due tasks: some may be listed together
        // instead of popping up one by one. Skipped tasks are never prompted.
        if (m_hooks.collected)
            due = m_hooks.collected(due);
        due.removeIf([](const DueTask &task) { return task.skipped(); });
        // Each gets a notification; those the full popup stack has no room
        // for are listed elsewhere.
        QList<DueTask> refused;
        for (const DueTask &task : std::as_const(due)) {
            m_due.moveTo(task.row);
            if (!prompt(m_due))
                refused.append(task);
        }
        if (!refused.isEmpty() && m_hooks.overflowed)
            m_hooks.overflowed(refused);
        // The next pass comes at once only when the last row was prompted.
        m_state.ScanPending = !due.isEmpty() && due.last().row == m_due.recordCount() - 1;
    } catch (...) {
        m_due.close();
        m_nextAlarm = {};
        // Rows handled before the failure keep their changes; the list shows them.
        if (m_written) {
            try {
                requeryTaskList();
            } catch (const Error &e) {
                qCWarning(lcAlarm) << "task list not read again:" << e.text();
            }
        }
        throw;
    }
    m_due.close();
    m_onScreen = promptsOnScreen();
    readNextAlarm(now);
    if (m_written)
        requeryTaskList();
}

// The alarms still ahead are read after the pass has moved and snoozed what
// it handled, so the timer can sleep until the first of them.
void AlarmScan::readNextAlarm(DateTime now)
{
    m_nextAlarm = {};
    m_next.close();
    m_next.setParam(u"AlarmDateTime"_s, now);
    m_next.open();
    if (!m_next.eof() && !m_next.fieldByName(u"NextAlarm"_s).isNull())
        m_nextAlarm = m_next.fieldByName(u"NextAlarm"_s).asDateTime();
    m_next.close();
}

AlarmScan::Outcome AlarmScan::autoSnooze(const Query &row, DateTime now, bool skip)
{
    const qint64 id = row.fieldByName(u"ID"_s).asInteger();
    const qint64 left = row.fieldByName(u"RepeatAutoSnooze"_s).asInteger() - 1;
    if (left >= 0) {
        const DateTime next = NextSnoozeTime(m_clock, row.fieldByName(u"SnoozeTime"_s).asInteger(), now);
        m_snooze.setParam(u"AlarmDateTime"_s, next);
        m_snooze.setParam(u"RepeatAutoSnooze"_s, left);
        m_snooze.setParam(u"ID"_s, id);
        m_snooze.execSql();
        m_written = true;
        m_autoSnoozed.insert(id, next);
        qCDebug(lcAlarm) << "task" << id << "auto-snoozed," << left << "left";
        return skip ? Outcome::Skip : Outcome::Prompt;
    }

    switch (row.fieldByName(u"AutoSnoozeAction"_s).asInteger()) {
    case ApplyOccurrence:
        if (!applyOccurrence(row)) {
            // A kind that does not recur cannot be moved on; skipping it
            // would silence it for good, so it is prompted as it stands.
            qCDebug(lcAlarm) << "task" << id << "does not recur; prompted instead";
            return skip ? Outcome::Skip : Outcome::Prompt;
        }
        break;
    case DeleteTask:
        m_delete.setParam(u"ID"_s, id);
        m_delete.execSql();
        m_written = true;
        qCDebug(lcAlarm) << "task" << id << "deleted by auto-snooze";
        break;
    case MarkComplete:
        m_complete.setParam(u"ID"_s, id);
        m_complete.execSql();
        m_written = true;
        qCDebug(lcAlarm) << "task" << id << "completed by auto-snooze";
        break;
    default:
        break;
    }
    return Outcome::Skip;
}

// Moves the task of the row to its next occurrence; false, changing nothing,
// when its kind does not recur.
bool AlarmScan::applyOccurrence(const Query &row, DateTime *nextAlarm)
{
    const qint64 id = row.fieldByName(u"ID"_s).asInteger();
    // A task repeating by months or years may keep a day of its own.
    TaskSchedule task = TaskSchedule::fromRow(row);
    task.readAnchorDay(m_dm.ADOConnection, id);
    const DueAndAlarm next = task.nextOccurrence(m_clock);
    if (next.due == task.due && next.alarm == task.alarm)
        return false;
    m_advance.setParam(u"DueDateTime"_s, next.due);
    m_advance.setParam(u"AlarmDateTime"_s, next.alarm);
    m_advance.setParam(u"ID"_s, id);
    m_advance.execSql();
    m_written = true;
    if (nextAlarm)
        *nextAlarm = next.alarm;
    qCDebug(lcAlarm) << "task" << id << "moved to its next occurrence";
    return true;
}

// True when the row's alarm is later than the "skip late alarms" limit.
bool AlarmScan::lateAlarm(const Query &row, DateTime now) const
{
    const qint64 limit = m_state.SkipLateMinutes;
    if (limit <= 0)
        return false;
    const DateTime alarm = row.fieldByName(u"AlarmDateTime"_s).asDateTime();
    return msecsSince(alarm, now) > limit * 60000;
}

// Shows the row's notification; false when the full popup stack refused it.
bool AlarmScan::prompt(const Query &row)
{
    const qint64 id = row.fieldByName(u"ID"_s).asInteger();
    const DateTime alarm = row.fieldByName(u"AlarmDateTime"_s).asDateTime();
    m_popup.setTitle(u"Nudgewick ["_s + formatDateTime(u"hh:nn"_s, alarm, m_state.Formats) + u"]"_s);
    m_popup.setText(u"["_s + row.fieldByName(u"Category"_s).asString() + u"] "_s
                    + row.fieldByName(u"Task"_s).asString());
    m_popup.setUrl(QString::number(id));
    // The prompt stands for the task as the pass left it (auto-snooze may
    // have moved its alarm on); its answers check the task against that.
    TaskSchedule task = TaskSchedule::fromRow(row);
    task.readAnchorDay(m_dm.ADOConnection, id);
    task.alarm = m_autoSnoozed.value(id, alarm);
    const DuePrompt due{id, m_popup.title(), m_popup.text(), task.snoozeTime, task.alarm,
                        DoneAction::of(m_clock, task, m_state.Formats).label};
    const bool routed = m_route && m_route->prompt(due);
    if (!routed)
        PopupPrompts::prepare(m_popup, due);
    const bool shown = routed || m_popup.ShowPopupWindow();
    m_state.ScanPending = true;
    // One sound per window; a window the full stack refused stays silent.
    if (shown && (routed || m_popup.openCount() >= 1))
        m_sound.play(m_state.AlarmFile);
    if (m_state.UpdateCheckPending) {
        m_state.UpdateCheckPending = false;
        if (m_hooks.updateCheck)
            m_hooks.updateCheck();
    }
    return shown;
}

void AlarmScan::requeryTaskList()
{
    // An open editor may be working on the task list's current row; the
    // list is read again once it has closed.
    if (m_state.CurrentTaskEditor) {
        m_requeryPending = true;
        return;
    }
    m_dm.RequeryTaskList();
}
