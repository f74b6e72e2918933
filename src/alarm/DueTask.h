#pragma once

#include "core/DateTime.h"

#include <QList>
#include <QString>

#include <functional>

// A task that a pass of the alarm scan is about to prompt.
struct DueTask
{
    qint64 id = 0;
    DateTime alarm;   // the alarm time the pass read
    QString category;
    QString task;
    bool late = false; // later than the "skip late alarms" limit, and not a repeating task
    int row = -1;      // its row in the pass's result set
    // The alarm as stored once the pass has handled the task (auto-snooze
    // moves it on): what its answers check the task against.
    DateTime storedAlarm;
};

// How a pass's due tasks are shown: one popup each, or listed together in
// the missed-alarms window. A pass after a gap (start-up, resume from
// suspend, a clock jump) that finds more tasks than the popup stack holds
// or than the threshold lists all of them; otherwise only late tasks are
// listed, and each of those only once: a late task that an earlier list
// already showed is left alone until the next gap.
struct DigestSplit
{
    QList<DueTask> listed;
    QList<DueTask> prompted;
};

DigestSplit splitForDigest(const QList<DueTask> &due, bool afterGap, int threshold, int stackCapacity,
                           const std::function<bool(const DueTask &)> &listedBefore);
