#pragma once

#include "sync/SyncRunner.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class Clock;
class Prompter;
class QTimer;
struct FormatSettings;

namespace tasksync {
class SecretStore;
}

// The window's side of sync, without widgets: it keeps the account and its
// password, hands them to the runner, asks for the passes (one shortly after
// start-up, then one each interval, or on request) and turns what the passes
// report into words for the status bar.
//
// The pass timer is a single shot armed again after each pass, so nothing
// ticks while sync is off, the interval is 0, or a pass runs. A refused
// password or an untrusted certificate is said once in a message box; until
// the account changes or a pass succeeds, only the status bar says it again.
class SyncControl : public QObject
{
    Q_OBJECT
public:
    // The first pass after start-up waits this long, so it does not compete
    // with the window's first paint and the first alarm scan.
    static constexpr int StartDelayMs = 5000;

    SyncControl(Prompter &prompter, const Clock &clock, const FormatSettings &formats, const QString &dataFolder,
                QObject *parent = nullptr);
    ~SyncControl() override;

    // The runner of the passes, which must outlive this object while set;
    // null: the program does not sync.
    void setRunner(tasksync::SyncRunner *runner);
    tasksync::SyncRunner *runner() const { return m_runner; }

    // Start-up with the account of the settings file: a first pass follows
    // after startDelayMs (unless the interval is 0: then passes run only on
    // request). The password is read from the store when a pass is due.
    void start(const tasksync::Account &account);
    // The account after the settings changed. `password` has no value when
    // it stays as it was; a new one is stored, a blank one (or an account
    // without address) removes the stored one.
    void setAccount(const tasksync::Account &account, const std::optional<QString> &password);
    const tasksync::Account &account() const { return m_account; }
    // Whether passes can run: a runner and an account with an address.
    bool configured() const;

    // A pass now; nothing when sync is not set up, and nothing new while a
    // pass runs.
    void syncNow();
    // No pass is asked for any more (the program ends).
    void stop();

    // The password store, made on first use.
    tasksync::SecretStore &secrets();
    bool hasSecrets() const { return m_secrets != nullptr; }

    // The status bar's words: empty while there is nothing to say (sync off,
    // or no pass yet); the tooltip holds the counts of the last pass.
    QString statusText() const { return m_statusText; }
    QString statusToolTip() const { return m_statusToolTip; }

    QTimer *passTimer() const { return m_timer; }
    void setStartDelay(int ms) { m_startDelayMs = ms; }

signals:
    void statusChanged();
    // A pass changed tasks here: the lists are read again.
    void tasksChanged();

private:
    void passStarted();
    void passFinished(const tasksync::Report &report);
    void timerElapsed();
    void withPassword(std::function<void()> then);
    void applyToRunner();
    void armIn(int ms);
    void armForInterval();
    void sayProblemOnce(const QString &sentence);
    void setStatus(const QString &text, const QString &toolTip);
    QString timeOf(const QDateTime &when) const;

    Prompter &m_prompter;
    const Clock &m_clock;
    const FormatSettings &m_formats;
    QString m_dataFolder;
    QPointer<tasksync::SyncRunner> m_runner;
    tasksync::SecretStore *m_secrets = nullptr;
    QTimer *m_timer = nullptr;
    int m_startDelayMs = StartDelayMs;

    tasksync::Account m_account;
    QString m_password;
    bool m_passwordKnown = false;
    bool m_passWanted = false;   // asked for while the password was still being read
    bool m_problemSaid = false;  // a refused password or certificate was said in a box
    bool m_stopped = false;
    bool m_started = false;
    std::optional<tasksync::Report> m_last;
    QString m_statusText;
    QString m_statusToolTip;
};
