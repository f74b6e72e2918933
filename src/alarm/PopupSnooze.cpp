#include "alarm/PopupSnooze.h"

#include "alarm/Recurrence.h"
#include "alarm/TfSnoozeConfirm.h"
#include "core/AppState.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "core/Logging.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsKeys.h"
#include "store/DataModule.h"
#include "store/UndoJournal.h"

#include <climits>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// The task ID a notification carries; anything else is refused.
qint64 taskIdFromUrl(const QString &url)
{
    bool ok = false;
    const qint64 id = url.trimmed().toLongLong(&ok);
    if (!ok)
        throw Error(u"'%1' is not a valid integer value"_s.arg(url));
    return id;
}

} // namespace

PopupSnooze::PopupSnooze(TDM &dm, AppState &state, const Clock &clock, QString settingsFile,
                         std::function<void()> openPrompt, QObject *parent)
    : QObject(parent),
      m_dm(dm),
      m_state(state),
      m_clock(clock),
      m_settingsFile(std::move(settingsFile)),
      m_openPrompt(std::move(openPrompt)),
      m_confirm(&PopupSnooze::askWithDialog),
      m_read(dm.ADOConnection),
      m_snooze(dm.ADOConnection)
{
    m_read.setSql({u"select SnoozeTime"_s, u"from Tasks"_s, u"where ID = :ID"_s});
    m_snooze.setSql({u"update Tasks"_s, u"set AlarmDateTime = :AlarmDateTime"_s, u"where ID = :ID"_s});
}

PopupSnooze::Confirmation PopupSnooze::askWithDialog(int minutes)
{
    // The question comes up in front even when the program sits in the tray.
    TfSnoozeConfirm dialog;
    dialog.setMinutes(minutes);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    const bool ok = dialog.exec() == QDialog::Accepted;
    return {ok, ok && dialog.dontAskAgain()};
}

void PopupSnooze::MSNPopUpTextClick(const QString &url)
{
    const qint64 id = taskIdFromUrl(url);
    const std::optional<qint64> found = snoozeMinutes(id);
    if (!found)
        return;
    const qint64 minutes = *found;

    // A settings file that cannot be written is reported after the snooze,
    // which the user asked for and still gets.
    std::optional<Error> saveError;
    if (m_state.SnoozeConfirm) {
        const Confirmation answer = m_confirm(int(std::min<qint64>(minutes, INT_MAX)));
        if (answer.dontAskAgain) {
            m_state.SnoozeConfirm = false;
            try {
                ProfileFile file(m_settingsFile);
                writeBool(file, Setting::SnoozeConfirm, false);
                file.save();
            } catch (const Error &e) {
                saveError = e;
            }
        }
        if (!answer.snooze)
            return;
    }
    snooze(id, minutes);
    if (saveError)
        throw *saveError;
}

void PopupSnooze::snoozeTask(qint64 id)
{
    if (const std::optional<qint64> minutes = snoozeMinutes(id))
        snooze(id, *minutes);
}

// The minutes a task is snoozed by; none when the task is gone. The query
// is closed again, so it is not held open while a question is asked.
std::optional<qint64> PopupSnooze::snoozeMinutes(qint64 id)
{
    m_read.close();
    m_read.setParam(u"ID"_s, id);
    struct Close {
        Query &q;
        ~Close() { q.close(); }
    } close{m_read};
    m_read.open();
    if (m_read.eof()) {
        qCDebug(lcAlarm) << "task" << id << "is gone; nothing to snooze";
        return std::nullopt;
    }
    return minutesFor(m_read.fieldByName(u"SnoozeTime"_s).asInteger());
}

void PopupSnooze::snooze(qint64 id, qint64 minutes)
{
    // The task may have gone while the question was open; then nothing changes.
    m_snooze.setParam(u"AlarmDateTime"_s, NextSnoozeTime(m_clock, minutes, m_clock.now()));
    m_snooze.setParam(u"ID"_s, id);
    int changed = 0;
    m_dm.ADOConnection.step(UndoJournal::taskLabel(m_dm.ADOConnection, tr("Snooze %1"), id),
                            [&] { changed = m_snooze.execSql(); });
    if (changed == 0)
        return;
    qCDebug(lcAlarm) << "task" << id << "snoozed for" << minutes << "minutes";
    // An open editor reads the task list again itself when it closes.
    if (!m_state.CurrentTaskEditor)
        m_dm.RequeryTaskList();
    emit taskSnoozed(id);
}

void PopupSnooze::MSNPopUpURLClick(const QString &url)
{
    const qint64 id = taskIdFromUrl(url);
    if (id < INT_MIN || id > INT_MAX)
        throw Error(u"'%1' is not a valid integer value"_s.arg(url));
    m_state.PromptedTaskID = int(id);
    if (m_openPrompt)
        m_openPrompt();
}
