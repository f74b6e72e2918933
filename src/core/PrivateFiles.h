#pragma once

#include <QString>

// The program's files hold the user's tasks and notes: other local users
// must not read them. Folders the program makes are for its owner only
// (0700), and so are the database, its backups and the settings files
// (0600). A folder the user chose keeps the mode he gave it.
namespace privatefiles {

// Makes path a folder, with any missing folders above it. The folder itself,
// when it is made here, is for its owner only; the folders above get the
// usual mode. Returns false when path is no folder afterwards; `created`
// tells whether it was made here.
bool makeFolder(const QString &path, bool *created = nullptr);

// Whether users other than the owner may read the file or folder, or enter
// the folder (its group or others have any of read or search).
bool isOpenToOthers(const QString &path);

// Creates an empty file for its owner only, so that what is written into it
// later (a database the engine fills) is never readable by others. Returns
// false, with errno set, when it cannot; also when the file exists.
bool createEmptyFile(const QString &path);

// Takes every right of the group and of others away from an existing file or
// folder of the user's; nothing happens to one that grants none, or that
// belongs to another user. Returns false when a mode needed narrowing and
// could not be changed.
bool narrowToOwner(const QString &path);

} // namespace privatefiles
