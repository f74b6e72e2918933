#pragma once

#include "sync/RemoteCollection.h"
#include "sync/SyncRunner.h"

#include <QPointer>
#include <QTimeZone>
#include <QTimer>

#include <functional>
#include <memory>

class Clock;
class QThread;

namespace tasksync {

// The runner: each pass runs on a thread of its own with its own
// connection to the database file, and its report comes back to the
// runner's thread. Between passes nothing runs but the interval timer.
//
// After the server refused the password or the certificate, automatic
// passes stop until the account is set again (a request still runs one),
// so the same refusal is not met every interval.
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
    bool running() const override { return m_thread != nullptr; }

public slots:
    void syncNow() override;

private:
    void passEnded();

    QString m_databaseFile;
    const Clock &m_clock;
    Opener m_opener;
    QTimeZone m_zone;
    Account m_account;
    QString m_password;
    QUrl m_collection; // the account's collection, once found
    QTimer m_interval;
    QThread *m_thread = nullptr;
    struct Outcome;
    std::shared_ptr<Outcome> m_outcome;
};

} // namespace tasksync
