#pragma once

#include <QProcessEnvironment>
#include <QString>

// The folder that holds the database, the settings and every other file of
// the program: $NUDGEWICK_DIR when set; else the executable's folder when it
// already holds Nudgewick.mdb (a portable copy); else the per-user data
// folder, created when missing.
QString chooseDataFolder(const QString &executableFolder,
                         const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
