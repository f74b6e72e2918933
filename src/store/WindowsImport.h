#pragma once

#include "core/DateTime.h"
#include "store/TaskImport.h"

#include <QString>

class FileOperations;

// Turns the Windows version's database found at the live name into a
// database of this version: every task is read from the Jet file into a new
// SQLite file beside it (each keeping its ID), the Jet file is kept under a
// dated name, and only then does the new file take the live name, in one
// rename. Any failure leaves the Jet file at the live name, untouched.
namespace windowsimport {

struct Outcome
{
    taskimport::Summary summary;
    QString keptAs; // where the Jet file is kept
};

// The file the new database is built in before it takes the live name.
QString workFile(const QString &liveFile);

Outcome replaceWithImport(const QString &liveFile, DateTime now, FileOperations &files,
                          const taskimport::Progress &progress = {});

} // namespace windowsimport
