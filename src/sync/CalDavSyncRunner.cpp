#include "sync/CalDavSyncRunner.h"

#include "core/Clock.h"
#include "core/Error.h"
#include "store/Connection.h"
#include "sync/SyncPass.h"

namespace tasksync {

struct CalDavSyncRunner::Worker
{
    std::unique_ptr<RemoteCollection> remote;
};

CalDavSyncRunner::CalDavSyncRunner(const QString &databaseFile, const Clock &clock, Opener opener, QObject *parent,
                                   const QTimeZone &zone)
    : SyncRunner(parent), m_databaseFile(databaseFile), m_clock(clock), m_opener(std::move(opener)), m_zone(zone),
      m_context(new QObject), m_worker(std::make_shared<Worker>())
{
    qRegisterMetaType<tasksync::Report>();
    m_context->moveToThread(&m_thread);
}

CalDavSyncRunner::~CalDavSyncRunner()
{
    // A pass under way finishes its current request and its writes; the
    // collection goes on the thread it was made on.
    if (m_thread.isRunning()) {
        QMetaObject::invokeMethod(m_context, [worker = m_worker] { worker->remote.reset(); },
                                  Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    delete m_context;
}

void CalDavSyncRunner::setAccount(const Account &account, const QString &password)
{
    m_account = account;
    m_password = password;
    m_accountChanged = true;
}

void CalDavSyncRunner::syncNow()
{
    if (m_running || !m_account.configured())
        return;
    m_running = true;
    if (!m_thread.isRunning())
        m_thread.start(QThread::LowPriority);
    const bool reopen = std::exchange(m_accountChanged, false);
    QMetaObject::invokeMethod(
        m_context,
        [this, reopen, worker = m_worker, account = m_account, password = m_password, file = m_databaseFile,
         clock = &m_clock, opener = m_opener, zone = m_zone] {
            Report report;
            bool written = false;
            try {
                if (reopen)
                    worker->remote.reset();
                if (!worker->remote)
                    worker->remote = opener(account, password);
                Connection db;
                db.setDatabaseFile(file);
                db.open();
                SyncPass pass(db, *worker->remote, *clock, zone);
                report = pass.run();
                written = pass.tasksWritten();
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
            // A collection that moved, went away or refused us is looked
            // for again next time.
            if (report.outcome != tasksync::Outcome::Synced)
                worker->remote.reset();
            QMetaObject::invokeMethod(this, [this, report, written] { passEnded(report, written); },
                                      Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    emit started();
}

void CalDavSyncRunner::passEnded(const Report &report, bool tasksWritten)
{
    m_running = false;
    if (tasksWritten)
        emit tasksChanged();
    emit finished(report);
}

} // namespace tasksync
