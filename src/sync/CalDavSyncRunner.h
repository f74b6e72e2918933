#pragma once

#include "sync/RemoteCollection.h"
#include "sync/SyncRunner.h"

#include <QThread>
#include <QTimeZone>

#include <functional>
#include <memory>

class Clock;

namespace tasksync {

// The runner: passes run one at a time on a thread of its own, each with
// its own connection to the database file, and their reports come back to
// the runner's thread. The collection, once opened, stays open on that
// thread between passes (its address found and its password accepted), so
// a pass with nothing to do is one request; it is opened afresh after a
// failed pass or a new account. Between passes nothing runs: the window
// asks for each pass (see app/SyncControl), and says a refused password or
// certificate once.
class CalDavSyncRunner final : public SyncRunner
{
    Q_OBJECT
public:
    // Opens the account's collection on the pass's thread.
    using Opener = std::function<std::unique_ptr<RemoteCollection>(const Account &, const QString &)>;

    CalDavSyncRunner(const QString &databaseFile, const Clock &clock, Opener opener, QObject *parent = nullptr,
                     const QTimeZone &zone = QTimeZone::systemTimeZone());
    ~CalDavSyncRunner() override;

    void setAccount(const Account &account, const QString &password) override;
    bool running() const override { return m_running; }

public slots:
    void syncNow() override;

private:
    void passEnded(const Report &report, bool tasksWritten);

    struct Worker;
    QString m_databaseFile;
    const Clock &m_clock;
    Opener m_opener;
    QTimeZone m_zone;
    Account m_account;
    QString m_password;
    bool m_accountChanged = true;
    bool m_running = false;
    QThread m_thread;
    QObject *m_context = nullptr; // lives on m_thread: the passes run in its event loop
    std::shared_ptr<Worker> m_worker; // touched on m_thread only
};

} // namespace tasksync
