#pragma once

#include "core/DateTime.h"

#include <QString>

#include <functional>

// The start-up check of the task database: when the file is missing while
// backups exist, or present but damaged, the user is offered the newest good
// backup. A damaged file is moved aside under a dated name, never deleted.
// Declining leaves everything as it was, so opening the database then
// behaves as without backups (a new database for a missing file, the error
// and the end for a damaged one).
struct RescueOutcome
{
    bool restored = false;
    QString backupFile; // the backup put in place
    QString keptAside;  // where the damaged file went, if anywhere
};

// offer receives the question to ask (one short reason) and the engine's
// full report, for a "details" part, and returns the user's answer. A file
// that is only locked by another program, or cannot be opened or read
// (permissions, a read-only folder), is never offered for a restore: this
// throws Error with the text to show and changes nothing.
RescueOutcome rescueDatabase(const QString &databaseFile, const QString &backupFolder, DateTime now,
                             const std::function<bool(const QString &question, const QString &details)> &offer);
RescueOutcome rescueDatabase(const QString &databaseFile, const QString &backupFolder, DateTime now,
                             const std::function<bool(const QString &question)> &offer);
