#pragma once

#include "store/Query.h"

#include <QObject>

#include <functional>
#include <optional>

class Clock;
class TDM;
struct AppState;

// The two answers to a notification of a due task, whose URL text is the
// task's ID: a left click on the text opens the task in the editor's prompt
// mode, any other click snoozes it by its snooze time (after a confirmation
// when "Snooze Confirm" is on).
class PopupSnooze : public QObject
{
    Q_OBJECT
public:
    // The confirmation: the snooze minutes in, whether to snooze out, and
    // whether the user asked not to be asked again.
    struct Confirmation
    {
        bool snooze = false;
        bool dontAskAgain = false;
    };
    using Confirm = std::function<Confirmation(int minutes)>;

    // settingsFile receives "Snooze Confirm" when the user turns the
    // question off. openPrompt opens the editor on AppState::PromptedTaskID.
    PopupSnooze(TDM &dm, AppState &state, const Clock &clock, QString settingsFile, std::function<void()> openPrompt,
                QObject *parent = nullptr);

    // The confirmation asked; by default the modal TfSnoozeConfirm dialog.
    void setConfirm(Confirm confirm) { m_confirm = std::move(confirm); }
    static Confirmation askWithDialog(int minutes);

    // The minutes a task snoozes for: its SnoozeTime, or 5 when it has none.
    static qint64 minutesFor(qint64 snoozeTime) { return snoozeTime > 0 ? snoozeTime : 5; }

    // Snoozes the task of the URL text. A task deleted meanwhile is left
    // alone; a URL that is not a task ID throws Error and changes nothing.
    void MSNPopUpTextClick(const QString &url);
    // Opens the task of the URL text in the editor's prompt mode.
    void MSNPopUpURLClick(const QString &url);
    // Snoozes a task by its snooze time without asking (an explicit choice
    // such as "Snooze all"); a task that is gone is left alone.
    void snoozeTask(qint64 id);

signals:
    // A task's alarm was moved by a snooze from its notification.
    void taskSnoozed(qint64 id);

private:
    std::optional<qint64> snoozeMinutes(qint64 id);
    void snooze(qint64 id, qint64 minutes);

    TDM &m_dm;
    AppState &m_state;
    const Clock &m_clock;
    QString m_settingsFile;
    std::function<void()> m_openPrompt;
    Confirm m_confirm;
    Query m_read;   // the snooze time of one task
    Query m_snooze; // moves one task's alarm
};
