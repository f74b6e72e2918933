#include "alarm/PopupSnooze.h"

#include "alarm/TfSnoozeConfirm.h"
#include "core/AppState.h"
#include "core/Error.h"
#include "core/Logging.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsKeys.h"

#include <climits>
#include <optional>

using namespace Qt::StringLiterals;

const QString PopupSnooze::OpenAnswer = u"default"_s;
const QString PopupSnooze::DoneAnswer = u"done"_s;
const QString PopupSnooze::SnoozeAnswer = u"snooze"_s;

QString PopupSnooze::snoozeForAnswer(qint64 minutes)
{
    return SnoozeAnswer + u":"_s + QString::number(minutes);
}

qint64 PopupSnooze::taskIdFromUrl(const QString &url)
{
    bool ok = false;
    const qint64 id = url.trimmed().toLongLong(&ok);
    if (!ok)
        throw Error(u"'%1' is not a valid integer value"_s.arg(url));
    return id;
}

PopupSnooze::PopupSnooze(AppState &state, QString settingsFile, std::function<void()> openPrompt,
                         PromptAnswers &answers, QObject *parent)
    : QObject(parent),
      m_state(state),
      m_settingsFile(std::move(settingsFile)),
      m_openPrompt(std::move(openPrompt)),
      m_answers(answers),
      m_confirm(&PopupSnooze::askWithDialog)
{
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

void PopupSnooze::MSNPopUpTextClick(const PromptKey &key)
{
    // A prompt that no longer stands asks nothing.
    const std::optional<TaskSchedule> task = m_answers.current(key);
    if (!task)
        return;
    const qint64 minutes = minutesFor(task->snoozeTime);

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
    // The task may have changed while the question was open; the snooze
    // checks again.
    snooze(key, minutes);
    if (saveError)
        throw *saveError;
}

void PopupSnooze::snoozeTask(const PromptKey &key, std::optional<qint64> minutes)
{
    if (!minutes) {
        const std::optional<TaskSchedule> task = m_answers.current(key);
        if (!task)
            return;
        minutes = minutesFor(task->snoozeTime);
    }
    snooze(key, *minutes);
}

void PopupSnooze::snooze(const PromptKey &key, qint64 minutes)
{
    if (m_answers.snooze(key, minutes))
        emit taskSnoozed(key.id);
}

void PopupSnooze::answer(const PromptKey &key, const QString &action)
{
    if (action == OpenAnswer) {
        MSNPopUpURLClick(QString::number(key.id));
    } else if (action == DoneAnswer) {
        m_answers.done(key);
    } else if (action == SnoozeAnswer) {
        MSNPopUpTextClick(key);
    } else if (action.startsWith(SnoozeAnswer + u":"_s)) {
        bool ok = false;
        const qint64 minutes = action.mid(SnoozeAnswer.size() + 1).toLongLong(&ok);
        if (ok && minutes > 0)
            snoozeTask(key, minutes);
    }
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
