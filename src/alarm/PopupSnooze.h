#pragma once

#include "alarm/PromptAnswers.h"

#include <QObject>

#include <functional>
#include <optional>

struct AppState;

// The answers to a notification of a due task, whose URL text is the task's
// ID: a left click on the text opens the task in the editor's prompt mode,
// any other click snoozes it by its snooze time (after a confirmation when
// "Snooze Confirm" is on); the buttons of a popup or a desktop notification
// open, snooze or mark the task done. Snooze and Done act only while the
// prompt still stands (see PromptAnswers); otherwise they say nothing.
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
    // answers makes the changes.
    PopupSnooze(AppState &state, QString settingsFile, std::function<void()> openPrompt, PromptAnswers &answers,
                QObject *parent = nullptr);

    // The confirmation asked; by default the modal TfSnoozeConfirm dialog.
    void setConfirm(Confirm confirm) { m_confirm = std::move(confirm); }
    static Confirmation askWithDialog(int minutes);

    // The minutes a task snoozes for: its SnoozeTime, or 5 when it has none.
    static qint64 minutesFor(qint64 snoozeTime) { return snoozeTime > 0 ? snoozeTime : 5; }

    // The task ID of a notification's URL text; throws Error for any other text.
    static qint64 taskIdFromUrl(const QString &url);

    // Snoozes the prompted task by its snooze time, after the confirmation
    // when it is on (a click on a popup outside its text, or Snooze).
    void MSNPopUpTextClick(const PromptKey &key);
    // Opens the task of the URL text in the editor's prompt mode; a URL
    // that is not a task ID throws Error and changes nothing.
    void MSNPopUpURLClick(const QString &url);
    // Snoozes the prompted task without asking (an explicit choice such as
    // a length from the Snooze menu, or "Snooze all"), by the minutes given
    // or else its snooze time.
    void snoozeTask(const PromptKey &key, std::optional<qint64> minutes = std::nullopt);
    // The answer a button of a prompt names: OpenAnswer, DoneAnswer,
    // SnoozeAnswer or snoozeForAnswer(minutes); any other is ignored.
    void answer(const PromptKey &key, const QString &action);

    // The names of the answers, as the buttons report them.
    static const QString OpenAnswer;
    static const QString DoneAnswer;
    static const QString SnoozeAnswer;
    static QString snoozeForAnswer(qint64 minutes);

signals:
    // A task's alarm was moved by a snooze from its notification.
    void taskSnoozed(qint64 id);

private:
    void snooze(const PromptKey &key, qint64 minutes);

    AppState &m_state;
    QString m_settingsFile;
    std::function<void()> m_openPrompt;
    PromptAnswers &m_answers;
    Confirm m_confirm;
};
