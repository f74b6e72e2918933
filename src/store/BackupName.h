#pragma once

#include "core/DateTime.h"

#include <QString>

#include <optional>

// The name a copy of the task database is kept under: "Nudgewick." followed
// by the year (no leading zeros), month, day, hour, minute and second (two
// digits each, 24-hour clock) and ".mdb", for example
// Nudgewick.20061005143015.mdb. Rolling backups and the database upgrade
// both name their copies so.
namespace backupname {

QString fileName(DateTime moment);

// The date and time part of such a name alone: 20061005143015.
QString stamp(DateTime moment);

// The name the Windows version's database is kept under once its tasks are
// imported: "Nudgewick." + stamp + ".jet.mdb". No backup name has that form,
// so the backups' rotation never counts or removes it.
QString jetFileName(DateTime moment);

// The moment a name of that form stands for; nothing for any other name.
std::optional<DateTime> parse(const QString &fileName);

} // namespace backupname
