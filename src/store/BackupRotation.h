#pragma once

#include "core/DateTime.h"

#include <QList>
#include <QString>
#include <QStringList>

// How many backups are kept, spread over time. Every count may be 0.
struct BackupPolicy
{
    int today = 10;  // the newest backups made on the current day
    int days = 7;    // the newest backup of each of the last days, today included
    int weeks = 8;   // the newest backup of each of the last calendar weeks (Monday first)
    int months = 12; // the newest backup of each of the last calendar months
};

struct BackupEntry
{
    QString file;
    DateTime made;
    qint64 taskCount = -1; // -1: not known
};

// The files of backups that the policy no longer keeps, as of now. Besides
// the time-spread set, the newest backup that holds at least half as many
// tasks as the fullest one is always kept, so a run of backups of an emptied
// database never pushes out the last one that held the tasks. Backups dated
// after now (a clock set back) are kept.
QStringList backupsToRemove(QList<BackupEntry> backups, DateTime now, const BackupPolicy &policy);
