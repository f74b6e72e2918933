#pragma once

#include "sync/SyncRunner.h"

#include <functional>

// The sync engine as its module (libnw_sync.so) offers it: plain calls and
// callbacks, so the program holds it without the network and calendar
// libraries the engine needs, and loads those only when sync first runs.
namespace tasksync {

class SyncEngine
{
public:
    // Called on the thread that made the engine.
    struct Callbacks
    {
        std::function<void()> started;
        std::function<void(const Report &)> finished;
        std::function<void()> tasksChanged;
    };

    virtual ~SyncEngine() = default;
    virtual void setAccount(const Account &account, const QString &password) = 0;
    virtual bool running() const = 0;
    virtual void syncNow() = 0;
};

} // namespace tasksync
