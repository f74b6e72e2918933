#include "core/Clock.h"
#include "sync/CalDavSyncRunner.h"

namespace tasksync {

SyncRunner *createRunner(const QString &databaseFile, QObject *parent)
{
    static const SystemClock clock; // holds no state: one serves every runner
    return new CalDavSyncRunner(databaseFile, clock, &openCollection, parent);
}

} // namespace tasksync
