#pragma once

#include "sync/SyncEngine.h"
#include "sync/SyncRunner.h"

#include <memory>

namespace tasksync {

// The program's runner: the engine's module is loaded at the first pass, so
// a program that never syncs never loads the network stack. When the module
// cannot be loaded, each pass asked for ends at once as failed, saying why.
class ModuleSyncRunner final : public SyncRunner
{
    Q_OBJECT
public:
    explicit ModuleSyncRunner(const QString &databaseFile, QObject *parent = nullptr);
    ~ModuleSyncRunner() override;

    void setAccount(const Account &account, const QString &password) override;
    bool running() const override;

public slots:
    void syncNow() override;

private:
    bool load();

    QString m_databaseFile;
    Account m_account;
    QString m_password;
    QString m_unavailable; // why the module could not be loaded
    std::unique_ptr<SyncEngine> m_engine;
};

} // namespace tasksync
