#pragma once

#include <QProcessEnvironment>
#include <QString>

// The folder that holds the database, the settings and every other file of
// the program: $NUDGEWICK_DIR when set; else the executable's folder when it
// already holds Nudgewick.mdb (a portable copy); else the per-user data
// folder. A folder made here is readable by its owner only, and so is the
// per-user folder; a folder the user chose keeps its mode, with a warning in
// the log when other users can read it.
QString chooseDataFolder(const QString &executableFolder,
                         const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
