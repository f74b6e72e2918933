// The sync module, libnw_sync.so: the engine with its CalDAV client (Qt
// Network) and its iCalendar translation (libical).

#include "core/Clock.h"
#include "core/ModuleExport.h"
#include "sync/CalDavSyncRunner.h"
#include "sync/SyncEngine.h"

namespace {

// The runner of the passes behind the module's plain interface; its signals
// reach the program as calls of the callbacks.
class ModuleEngine final : public tasksync::SyncEngine
{
public:
    ModuleEngine(const QString &databaseFile, Callbacks callbacks)
        : m_runner(databaseFile, m_clock, &tasksync::openCollection)
    {
        QObject::connect(&m_runner, &tasksync::SyncRunner::started, &m_runner, std::move(callbacks.started));
        QObject::connect(&m_runner, &tasksync::SyncRunner::finished, &m_runner, std::move(callbacks.finished));
        QObject::connect(&m_runner, &tasksync::SyncRunner::tasksChanged, &m_runner, std::move(callbacks.tasksChanged));
    }

    void setAccount(const tasksync::Account &account, const QString &password) override
    {
        m_runner.setAccount(account, password);
    }
    bool running() const override { return m_runner.running(); }
    void syncNow() override { m_runner.syncNow(); }

private:
    SystemClock m_clock;
    tasksync::CalDavSyncRunner m_runner;
};

} // namespace

NW_MODULE_EXPORT tasksync::SyncEngine *nw_create_sync_engine(const QString &databaseFile,
                                                            tasksync::SyncEngine::Callbacks callbacks)
{
    return new ModuleEngine(databaseFile, std::move(callbacks));
}
