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
    // Not zero: a repeating task whose alarm was later than the "skip late
    // alarms" limit, which the pass moved on to this next alarm instead of
    // prompting it. It is only listed, never prompted.
    DateTime skippedTo = {};

    bool skipped() const { return !skippedTo.isZero(); }
    // The alarm as stored once the pass has handled the task (auto-snooze
    // moves it on): what its answers check the task against.
    DateTime storedAlarm;
};

// How a pass's due tasks are shown: one popup each, or listed together in
// the missed-alarms window. A pass after a gap (start-up, resume from
// suspend, a clock jump) that finds more tasks than the popup stack holds
// or than the threshold lists all of them; otherwise only late and skipped
// tasks are listed, and each late one only once: a late task that an
// earlier list already showed is left alone until the next gap. Skipped
// tasks are always listed (the next occurrence is another alarm) and do not
// count towards the threshold.
struct DigestSplit
{
    QList<DueTask> listed;
    QList<DueTask> prompted;
};

DigestSplit splitForDigest(const QList<DueTask> &due, bool afterGap, int threshold, int stackCapacity,
                           const std::function<bool(const DueTask &)> &listedBefore);
