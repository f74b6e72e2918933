#pragma once

#include "core/DateTime.h"

#include <QString>

#include <functional>

struct sqlite3;

// Whole-database copies through the engine's online backup API, each on a
// connection of its own, so they may run on any thread while the program's
// connection stays open. Failures throw Error with a readable text.
namespace databasecopy {

// The suffix of a copy that is still being written.
inline constexpr QLatin1String PartialSuffix(".partial");

struct CopyHooks
{
    // Called once the source is held at one consistent state: a change
    // committed after this point is not part of the copy.
    std::function<void()> snapshotTaken;
    // Called after each slice of pages.
    std::function<void(int remainingPages, int totalPages)> progress;
    // Test seam: when set, called instead of the flush to the disk of the
    // finished copy (still under its partial name, before the rename); false
    // fails the copy as a refused flush would.
    std::function<bool(const QString &partialFile)> syncToDisk;
};

// Copies the database source to target: written under target + ".partial",
// switched to a single-file journal, checked with quick_check and its task
// count compared, synced to the disk, then renamed to target. Nothing is left under either
// name when it fails. Returns the number of tasks copied.
qint64 copyDatabase(const QString &source, const QString &target, const CopyHooks &hooks = {});

// Replaces the whole content of the database live by that of backup, which
// is checked first. Other connections to live may stay open; they see the
// new content with their next statement.
void restoreDatabase(const QString &backup, const QString &live);

struct Health
{
    // Damaged only on the engine's word (its check fails, or the file is not
    // a database); Busy while another program holds a lock on it; Unreadable
    // when it cannot be opened or read for any other reason (permissions, a
    // read-only folder, an I/O error).
    enum class State { Missing, Good, Damaged, Busy, Unreadable };
    State state = State::Missing;
    QString reason;      // why a file is not good, in one short sentence
    QString details;     // the engine's full report, when it has one
    qint64 taskCount = -1; // for a good file
};

// Whether file is a task database that can be used: an SQLite file with a
// Tasks table that passes quick_check.
Health checkDatabase(const QString &file);

// The same checks as checkDatabase on a connection that is already open and
// stays open: why the database is no usable task database, in one short
// sentence, or nothing when it is. The engine's own report of a failed check
// goes to details. Nothing is written.
QString problemOf(sqlite3 *handle, QString &details);

// The number of tasks in a database file, or -1 when it cannot be read.
qint64 taskCount(const QString &file);

// Renames a damaged database (and its journal files) to
// "<name>.damaged.<stamp>.mdb" beside it and returns the new path; never
// deletes anything. Throws when the rename fails.
QString setAside(const QString &file, DateTime moment);

} // namespace databasecopy
