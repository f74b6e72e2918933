#include "sync/CalDavSyncRunner.h"

#include "core/Clock.h"
#include "core/Error.h"
#include "store/Connection.h"
#include "sync/SyncPass.h"

#include <QCoreApplication>
#include <QThread>

namespace tasksync {

struct CalDavSyncRunner::Outcome
{
    Report report;
    bool tasksWritten = false;
    QUrl collection; // where the pass found the collection
};

CalDavSyncRunner::CalDavSyncRunner(const QString &databaseFile, const Clock &clock, Opener opener, QObject *parent,
                                   const QTimeZone &zone)
    : SyncRunner(parent), m_databaseFile(databaseFile), m_clock(clock), m_opener(std::move(opener)), m_zone(zone)
{
    qRegisterMetaType<tasksync::Report>();
    m_interval.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_interval, &QTimer::timeout, this, &CalDavSyncRunner::syncNow);
}

CalDavSyncRunner::~CalDavSyncRunner()
{
    // A pass under way finishes its current request and its writes; its
    // report has no one left to go to.
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

void CalDavSyncRunner::setAccount(const Account &account, const QString &password)
{
    m_account = account;
    m_password = password;
    m_collection.clear();
    m_interval.stop();
    if (account.configured() && account.intervalMinutes > 0)
        m_interval.start(std::chrono::minutes(account.intervalMinutes));
}

void CalDavSyncRunner::syncNow()
{
    if (m_thread || !m_account.configured())
        return;
    auto outcome = std::make_shared<Outcome>();
    m_outcome = outcome;
    // Once found, the collection is opened at its own address: a pass with
    // nothing to do is then a single request.
    Account account = m_account;
    if (m_collection.isValid())
        account.address = m_collection;
    const QString password = m_password;
    const QString file = m_databaseFile;
    const Clock *clock = &m_clock;
    const Opener opener = m_opener;
    const QTimeZone zone = m_zone;
    m_thread = QThread::create([=] {
        Report report;
        try {
            std::unique_ptr<RemoteCollection> remote = opener(account, password);
            outcome->collection = QUrl(remote->url());
            Connection db;
            db.setDatabaseFile(file);
            db.open();
            SyncPass pass(db, *remote, *clock, zone);
            report = pass.run();
            outcome->tasksWritten = pass.tasksWritten();
        } catch (const RemoteError &e) {
            report = failure(e);
        } catch (const Error &e) {
            report.outcome = tasksync::Outcome::Failed;
            report.error = e.text();
        } catch (const std::exception &e) {
            report.outcome = tasksync::Outcome::Failed;
            report.error = QString::fromLocal8Bit(e.what());
        }
        if (!report.finished.isValid())
            report.finished = clock->now().toQDateTime();
        outcome->report = report;
    });
    connect(m_thread, &QThread::finished, this, &CalDavSyncRunner::passEnded, Qt::QueuedConnection);
    emit started();
    m_thread->start(QThread::LowPriority);
}

void CalDavSyncRunner::passEnded()
{
    if (!m_thread)
        return;
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    const std::shared_ptr<Outcome> outcome = std::move(m_outcome);
    const Report report = outcome->report;
    // A collection that moved or went away is looked for again next time.
    if (report.outcome == tasksync::Outcome::Synced || report.outcome == tasksync::Outcome::Offline)
        m_collection = outcome->collection.isValid() ? outcome->collection : m_collection;
    else
        m_collection.clear();
    if (report.outcome == tasksync::Outcome::AuthFailed || report.outcome == tasksync::Outcome::CertificateFailed)
        m_interval.stop();
    if (outcome->tasksWritten)
        emit tasksChanged();
    emit finished(report);
}

} // namespace tasksync
