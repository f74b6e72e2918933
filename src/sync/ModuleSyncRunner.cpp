#include "sync/ModuleSyncRunner.h"

#include "core/Clock.h"
#include "core/Error.h"
#include "core/ModuleLoader.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace tasksync {

ModuleSyncRunner::ModuleSyncRunner(const QString &databaseFile, QObject *parent)
    : SyncRunner(parent), m_databaseFile(databaseFile)
{
}

// The engine stops its pass thread before the module's code goes.
ModuleSyncRunner::~ModuleSyncRunner() = default;

void ModuleSyncRunner::setAccount(const Account &account, const QString &password)
{
    m_account = account;
    m_password = password;
    if (m_engine)
        m_engine->setAccount(account, password);
}

bool ModuleSyncRunner::running() const
{
    return m_engine && m_engine->running();
}

bool ModuleSyncRunner::load()
{
    if (m_engine)
        return true;
    if (!m_unavailable.isEmpty())
        return false;
    try {
        using Factory = SyncEngine *(const QString &, SyncEngine::Callbacks);
        auto *create = ModuleLoader().resolve<Factory>(u"sync"_s, "nw_create_sync_engine");
        SyncEngine::Callbacks callbacks{[this] { emit started(); }, [this](const Report &r) { emit finished(r); },
                                        [this] { emit tasksChanged(); }};
        m_engine.reset(create(m_databaseFile, std::move(callbacks)));
    } catch (const Error &e) {
        m_unavailable = QCoreApplication::translate("SyncRunner", "Sync is not available: %1").arg(e.text());
        return false;
    }
    m_engine->setAccount(m_account, m_password);
    return true;
}

void ModuleSyncRunner::syncNow()
{
    if (!m_account.configured())
        return;
    if (load()) {
        m_engine->syncNow();
        return;
    }
    // Told like any failed pass, after the caller's own work is done.
    emit started();
    QMetaObject::invokeMethod(
        this,
        [this] {
            Report report;
            report.outcome = Outcome::Failed;
            static const SystemClock clock;
            report.finished = clock.now().toQDateTime();
            report.error = m_unavailable;
            emit finished(report);
        },
        Qt::QueuedConnection);
}

SyncRunner *createRunner(const QString &databaseFile, QObject *parent)
{
    return new ModuleSyncRunner(databaseFile, parent);
}

} // namespace tasksync
